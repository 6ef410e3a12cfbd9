#pragma once

#include "core/metadata/uReplayGain.h"

class QMenu;
class QSettings;

namespace orvanta {

class TPlaybackControl;

// Adds the "ReplayGain" submenu to Menu: Off, Track, Album, Auto, the pre-amp and the gain of
// files without ReplayGain values. Its choices go to Playback; each submenu shows Playback's
// settings when it opens, so several menus may hold one.
QMenu* AddReplayGainMenu(QMenu& Menu, TPlaybackControl& Playback);

// The settings as remembered under "Playback/"; Off when none were.
TReplayGainSettings LoadReplayGain(QSettings& Settings);
void SaveReplayGain(QSettings& Settings, const TReplayGainSettings& Gain);

} // namespace orvanta
