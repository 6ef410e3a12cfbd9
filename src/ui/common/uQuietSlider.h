#pragma once

#include <QElapsedTimer>
#include <QSlider>

namespace orvanta {

// A slider the program moves all the time (a playing position): a screen reader hears of its
// value at most about once a second while the program moves it, and at once when the user
// does. Qt announces every value a slider takes; the announcements of the program's moves
// are held back in Qt's accessibility update handler, which passes every other event on.
class TQuietSlider : public QSlider {
    Q_OBJECT
public:
    static constexpr int AnnounceMs = 1000;
    explicit TQuietSlider(Qt::Orientation Orientation, QWidget* Parent = nullptr);
    // The program's move: range and value.
    void SetQuietly(int Minimum, int Maximum, int Value);
    // Whether a value change may reach a screen reader now: a move of the user's always, the
    // program's (ProgramMove) a second after the last one announced. Qt hands such changes to
    // its update handler only while a screen reader listens.
    bool Announces(bool ProgramMove);
    bool ProgramMoving() const { return FQuiet; }

private:
    bool FQuiet = false;
    QElapsedTimer FAnnounced;
};

} // namespace orvanta
