#pragma once
#include <QHash>
#include <QStaticText>
#include <QWidget>

// The microphone's peak level while recording, in dBFS from -60 to 0, with a
// light at the top of the scale that comes on when the signal clips. Screen
// readers read it as a value.
class LevelMeter : public QWidget {
    Q_OBJECT
public:
    static constexpr double kFloorDbfs = -60.0;

    explicit LevelMeter(QWidget* parent = nullptr);

    // One reading, about eight a second.
    void setLevel(double peakDbfs, bool clipped);
    // No recording: an empty scale, the clip light off.
    void clear();
    double level() const { return m_level; }
    bool clipLit() const { return m_clipHold > 0; }
    // What a screen reader reads: "-12 dB", ", saturé" while the clip light is on.
    QString spokenLevel() const;
    // The bar's length in pixels for a level, and the whole scale's.
    int barLength(double peakDbfs) const;
    int scaleLength() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString levelText() const;
    void TellScreenReaders();

    double m_level;
    QStaticText m_text;                    // the value shown
    QHash<QString, QStaticText> m_laidOut; // each value laid out once: shaping text costs more than painting
    int m_clipHold = 0;                    // readings left with the clip light on
    int m_textRoom = 0;                    // width kept for the text
};
