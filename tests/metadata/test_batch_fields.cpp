#include <gtest/gtest.h>

#include "core/batch/uBatchFields.h"

using namespace orvanta;

namespace {

TBatchFile File(const std::string& Title, const std::string& Cover) {
    TBatchFile file;
    file.Values[static_cast<std::size_t>(TBatchField::Title)] = Title;
    if (!Cover.empty())
        file.Pictures.emplace_back().Data = Cover;
    return file;
}

} // namespace

// A field is shared when every file holds the same text (an empty one too), else various; so is
// the cover, where no cover in any file is none.
TEST(BatchFields, SharedOrVarious) {
    using K = TSharedCover::TKind;
    const struct {
        std::vector<TBatchFile> Files;
        TSharedValue Title;
        K Cover;
    } cases[] = {
        {{File("A", "x"), File("A", "x")}, {"A", false}, K::Shared},
        {{File("A", "x"), File("B", "y")}, {"", true}, K::Various},
        {{File("", ""), File("", "")}, {"", false}, K::None},
        {{File("A", "x"), File("", "")}, {"", true}, K::Various},
        {{File("", ""), File("A", "x")}, {"", true}, K::Various},
        {{File("A", "")}, {"A", false}, K::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SharedValue(c.Files, TBatchField::Title), c.Title);
        EXPECT_EQ(SharedCover(c.Files).Kind, c.Cover);
    }
}
