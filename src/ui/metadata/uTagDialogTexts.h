#pragma once

namespace orvanta {

class TfrmMP3Tag;

// The accessible names and descriptions of the tag dialog's controls that have no text or
// label of their own, and what its fields are for.
void DescribeTagDialog(TfrmMP3Tag& Dialog);

} // namespace orvanta
