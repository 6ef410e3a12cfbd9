#include "ui/playback/uReplayGainMenu.h"

#include <QActionGroup>
#include <QMenu>
#include <QSettings>

#include <algorithm>
#include <cmath>
#include <functional>

#include "ui/playback/uPlaybackControl.h"

namespace orvanta {

namespace {

constexpr double PreAmpSteps[] = {-6, -3, 0, 3, 6, 9, 12};
constexpr double UntaggedSteps[] = {-12, -9, -6, -3, 0, 3, 6};

QString DbText(double Db) {
    return Db > 0 ? QStringLiteral("+%1 dB").arg(Db) : QStringLiteral("%1 dB").arg(Db);
}

// A group of checkable items, one per value; the one matching Current is checked on show.
template <typename TValue, typename TRange>
void AddChoices(QMenu& Menu, const TRange& Values, std::function<QString(TValue)> Text,
                std::function<TValue(const TReplayGainSettings&)> Current,
                std::function<void(TReplayGainSettings&, TValue)> Apply,
                TPlaybackControl& Playback) {
    auto* group = new QActionGroup(&Menu);
    for (const TValue value : Values) {
        QAction* item = Menu.addAction(Text(value));
        item->setCheckable(true);
        group->addAction(item);
        QObject::connect(item, &QAction::triggered, &Menu, [&Playback, Apply, value] {
            TReplayGainSettings settings = Playback.ReplayGain();
            Apply(settings, value);
            Playback.SetReplayGain(settings);
        });
        QObject::connect(&Menu, &QMenu::aboutToShow, item, [item, &Playback, Current, value] {
            item->setChecked(Current(Playback.ReplayGain()) == value);
        });
    }
}

} // namespace

QMenu* AddReplayGainMenu(QMenu& Menu, TPlaybackControl& Playback) {
    QMenu* gain = Menu.addMenu(QStringLiteral("&ReplayGain"));
    gain->setObjectName(QStringLiteral("mnuReplayGain"));
    const TReplayGainMode modes[] = {TReplayGainMode::Off, TReplayGainMode::Track,
                                     TReplayGainMode::Album, TReplayGainMode::Auto};
    AddChoices<TReplayGainMode>(
        *gain, modes,
        [](TReplayGainMode Mode) {
            switch (Mode) {
            case TReplayGainMode::Track:
                return QStringLiteral("&Track");
            case TReplayGainMode::Album:
                return QStringLiteral("&Album");
            case TReplayGainMode::Auto:
                return QStringLiteral("A&uto");
            default:
                return QStringLiteral("&Off");
            }
        },
        [](const TReplayGainSettings& Settings) { return Settings.Mode; },
        [](TReplayGainSettings& Settings, TReplayGainMode Mode) { Settings.Mode = Mode; },
        Playback);
    gain->addSeparator();
    QMenu* preAmp = gain->addMenu(QStringLiteral("&Pre-amp"));
    preAmp->setObjectName(QStringLiteral("mnuReplayGainPreAmp"));
    AddChoices<double>(
        *preAmp, PreAmpSteps, DbText,
        [](const TReplayGainSettings& Settings) { return Settings.PreAmpDb; },
        [](TReplayGainSettings& Settings, double Db) { Settings.PreAmpDb = Db; }, Playback);
    QMenu* untagged = gain->addMenu(QStringLiteral("&Without ReplayGain"));
    untagged->setObjectName(QStringLiteral("mnuReplayGainUntagged"));
    AddChoices<double>(
        *untagged, UntaggedSteps, DbText,
        [](const TReplayGainSettings& Settings) { return Settings.UntaggedDb; },
        [](TReplayGainSettings& Settings, double Db) { Settings.UntaggedDb = Db; }, Playback);
    // The items are enabled as the mode allows when the menu opens.
    QObject::connect(gain, &QMenu::aboutToShow, gain, [preAmp, untagged, &Playback] {
        const bool on = Playback.ReplayGain().Mode != TReplayGainMode::Off;
        preAmp->setEnabled(on);
        untagged->setEnabled(on);
    });
    return gain;
}

TReplayGainSettings LoadReplayGain(QSettings& Settings) {
    TReplayGainSettings gain;
    const int mode = Settings.value(QStringLiteral("Playback/ReplayGain"), 0).toInt();
    gain.Mode = mode >= 0 && mode <= 3 ? static_cast<TReplayGainMode>(mode) : TReplayGainMode::Off;
    const auto db = [&Settings](const QString& Key, double Low, double High) {
        const double value = Settings.value(Key, 0.0).toDouble();
        return std::isfinite(value) ? std::clamp(value, Low, High) : 0.0;
    };
    gain.PreAmpDb = db(QStringLiteral("Playback/ReplayGainPreAmp"), -6, 12);
    gain.UntaggedDb = db(QStringLiteral("Playback/ReplayGainUntagged"), -12, 6);
    return gain;
}

void SaveReplayGain(QSettings& Settings, const TReplayGainSettings& Gain) {
    Settings.setValue(QStringLiteral("Playback/ReplayGain"), static_cast<int>(Gain.Mode));
    Settings.setValue(QStringLiteral("Playback/ReplayGainPreAmp"), Gain.PreAmpDb);
    Settings.setValue(QStringLiteral("Playback/ReplayGainUntagged"), Gain.UntaggedDb);
}

} // namespace orvanta
