#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <cstdlib>

#include "support/ChirpFiles.h"
#include "support/TempDir.h"
#include "ui/playback/uPlayerEngine.h"

using namespace orvanta;
using namespace orvanta::test;

namespace {

// Not on a frame's or a packet's edge of any of the codecs.
constexpr long Cut = 36037;
constexpr long Window = 960; // 20 ms

// The lag (within 48 samples) at which Out best matches In around At, and the share of In's
// energy that is left over there.
std::pair<int, double> BestLag(const std::vector<float>& Out, const std::vector<float>& In,
                               long At) {
    constexpr int Range = 48;
    constexpr long Length = 1024;
    std::pair<int, double> best{0, 1e30};
    double energy = 0;
    for (long i = At; i < At + Length; ++i)
        energy += double(In[i]) * In[i];
    for (int lag = -Range; lag <= Range; ++lag) {
        double error = 0;
        for (long i = At; i < At + Length; ++i) {
            const long o = i + lag;
            const double d = (o >= 0 && o < long(Out.size()) ? Out[o] : 0.0) - In[i];
            error += d * d;
        }
        if (error < best.second)
            best = {lag, error};
    }
    best.second /= energy;
    return best;
}

// How loud Out plays In over Window samples from From, in dB.
double GainDb(const std::vector<float>& Out, const std::vector<float>& In, long From) {
    double cross = 0;
    double energy = 0;
    for (long i = From; i < From + Window; ++i) {
        cross += double(Out[i]) * In[i];
        energy += double(In[i]) * In[i];
    }
    return 20 * std::log10(cross / energy);
}

} // namespace

class TestGapless : public QObject {
    Q_OBJECT

    // Plays Cut's two files one after the other as the queue hands them on and returns what
    // the sink received; empty when the second did not join on (or, with Joins 0, when it did,
    // or anything but the end was reported).
    std::vector<float> PlayBackToBack(const TChirpCut& Chirp, const TReplayGainSettings& Gain = {},
                                      int Joins = 1) {
        const std::string raw = FDir.file("heard.raw");
        TGstPlayerEngine engine(
            QStringLiteral("audioconvert ! audio/x-raw,format=F32LE,channels=1,rate=48000 ! "
                           "filesink location=%1")
                .arg(QString::fromStdString(raw)));
        engine.SetVolume(100);
        engine.SetReplayGain(Gain, true);
        QSignalSpy joined(&engine, &IPlayerEngine::NextStarted);
        QSignalSpy errors(&engine, &IPlayerEngine::MediaError);
        bool ended = false;
        connect(&engine, &IPlayerEngine::PlayStateChange,
                [&ended](int State) { ended = ended || State == IPlayerEngine::psMediaEnded; });
        engine.SetURL(QString::fromStdString(Chirp.First));
        engine.SetNextURL(QString::fromStdString(Chirp.Second));
        if (!QTest::qWaitFor([&] { return ended; }, 10000) || joined.count() != Joins ||
            !errors.isEmpty() ||
            engine.URL() != QString::fromStdString(Joins == 1 ? Chirp.Second : Chirp.First))
            return {};
        return ReadFloats(raw);
    }

private slots:
    // Lossless and gapless lossy formats join without a sample added or lost: the output is the
    // chirp itself, at every point, and no longer.
    void theSeamAddsAndLosesNothing_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("added");
        for (const char* format : {"flac", "opus", "wv", "alac.m4a", "mp3"})
            QTest::newRow(format) << QString::fromLatin1(format) << 0;
        // GStreamer 1.22's Vorbis decoder ends some files a sample late: it clips the last
        // packet by time, rounded (36037 samples give 36038, 36038 give 36038).
        QTest::newRow("ogg") << QStringLiteral("ogg") << 1;
    }
    void theSeamAddsAndLosesNothing() {
        QFETCH(QString, format);
        QFETCH(int, added);
        const TChirpCut chirp = MakeChirpCut(FDir, format.toStdString(), Cut);
        const std::vector<float> heard = PlayBackToBack(chirp);
        QVERIFY2(!heard.empty(), "the second file did not join on");
        const std::vector<float>& made = chirp.Samples;
        QVERIFY2(
            std::abs(long(heard.size()) - long(made.size())) <= 1,
            qPrintable(QStringLiteral("%1 samples, %2 made").arg(heard.size()).arg(made.size())));
        for (const long at : {2000L, Cut - 1500, Cut - 512, Cut + 200, long(made.size()) - 3000}) {
            const auto [lag, left] = BestLag(heard, made, at);
            QVERIFY2(
                (lag == 0 || (at > Cut && lag <= added)) && left < 0.05,
                qPrintable(QStringLiteral("at %1: lag %2, %3 left").arg(at).arg(lag).arg(left)));
        }
    }

    // Each stream plays at its own gain from its first sample, whatever the one before had.
    void eachStreamHasItsOwnGain_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("firstTags");
        QTest::addColumn<QString>("secondTags");
        QTest::addColumn<double>("firstDb");
        QTest::addColumn<double>("secondDb");
        QTest::newRow("untagged after -6 dB") << "flac"
                                              << "REPLAYGAIN_TRACK_GAIN|-6.00 dB"
                                              << "" << -6.0 << 0.0;
        // R128 gains are 5 dB below the ReplayGain level: -1536/256 + 5 = -1 dB.
        QTest::newRow("Opus R128") << "opus"
                                   << ""
                                   << "R128_TRACK_GAIN|-1536" << 0.0 << -1.0;
        // +6 dB would take a peak of 0.8 past full scale: 1/0.8 is +1.94 dB.
        QTest::newRow("clipping guard")
            << "flac"
            << ""
            << "REPLAYGAIN_TRACK_GAIN|+6.00 dB|REPLAYGAIN_TRACK_PEAK|0.8" << 0.0
            << 20 * std::log10(1 / 0.8);
    }
    void eachStreamHasItsOwnGain() {
        QFETCH(QString, format);
        QFETCH(QString, firstTags);
        QFETCH(QString, secondTags);
        QFETCH(double, firstDb);
        QFETCH(double, secondDb);
        const TChirpCut chirp = MakeChirpCut(FDir, format.toStdString(), Cut);
        // Keys and values, each after a '|'.
        const auto tag = [](const std::string& File, const QString& Text) {
            const QStringList Tags = Text.split(QLatin1Char('|'), Qt::SkipEmptyParts);
            std::vector<std::pair<std::string, std::string>> pairs;
            for (int i = 0; i + 1 < Tags.size(); i += 2)
                pairs.emplace_back(Tags[i].toStdString(), Tags[i + 1].toStdString());
            if (!pairs.empty())
                TagWithMutagen(File, pairs);
        };
        tag(chirp.First, firstTags);
        tag(chirp.Second, secondTags);
        const std::vector<float> heard = PlayBackToBack(chirp, {TReplayGainMode::Track, 0.0, 0.0});
        QVERIFY2(heard.size() >= chirp.Samples.size() - 1, "the second file did not join on");
        const double first = GainDb(heard, chirp.Samples, Cut - Window);
        const double second = GainDb(heard, chirp.Samples, Cut);
        QVERIFY2(std::abs(first - firstDb) < 0.1 && std::abs(second - secondDb) < 0.1,
                 qPrintable(QStringLiteral("%1 dB, then %2 dB").arg(first).arg(second)));
    }

    // A next file that does not decode is not joined on: the current one plays to its end.
    void aNextFileThatCannotPlayLetsTheCurrentOneEnd() {
        TChirpCut chirp = MakeChirpCut(FDir, "flac", Cut);
        chirp.Second = FDir.write("broken.flac", "no audio in here");
        const std::vector<float> heard = PlayBackToBack(chirp, {}, 0);
        QVERIFY2(std::abs(long(heard.size()) - Cut) <= 1,
                 qPrintable(QString::number(heard.size())));
    }

    // A seek once playbin took the next file lands in the current one, which then joins the
    // next as before.
    void aSeekAfterTheHandOverStaysInTheCurrentFile() {
        const TChirpCut chirp = MakeChirpCut(FDir, "flac", Cut);
        TGstPlayerEngine engine(QStringLiteral("fakesink sync=true"));
        QSignalSpy taken(&engine, &IPlayerEngine::NextTaken);
        QSignalSpy joined(&engine, &IPlayerEngine::NextStarted);
        engine.SetURL(QString::fromStdString(chirp.First));
        engine.SetNextURL(QString::fromStdString(chirp.Second));
        QVERIFY(QTest::qWaitFor([&] { return taken.count() == 1; }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return engine.PlayState() == IPlayerEngine::psPlaying; }));
        engine.Seek(100);
        QVERIFY(QTest::qWaitFor([&] { return engine.Position() > 0; }, 5000));
        QVERIFY2(engine.Position() < 400, qPrintable(QString::number(engine.Position())));
        QCOMPARE(engine.URL(), QString::fromStdString(chirp.First));
        QVERIFY(QTest::qWaitFor([&] { return joined.count() == 1; }, 5000));
        QCOMPARE(taken.count(), 2);
        QCOMPARE(engine.URL(), QString::fromStdString(chirp.Second));
    }

private:
    TempDir FDir;
};

QTEST_GUILESS_MAIN(TestGapless)
#include "test_gapless.moc"
