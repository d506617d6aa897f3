// The recording options' menu positions and what they stand for.
#include "config/recordingchoices.h"
#include "tests/support/testenv.h"

namespace {

class StoredRecordingChoices : public MirloTest {
protected:
    QString file() const { return tempPath("Mirlox.ini"); }
};

TEST_F(StoredRecordingChoices, MenuPositionsAreTheirLeadingNumber)
{
    const struct {
        const char* stored;
        const char* position;
    } cases[] = {{"3", "3"}, {" 11x", "11"}, {"2.5", "2.5"}, {"abc", "0"}, {"-1", "-1"}, {"", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        WriteFile(file(), QByteArray("[Config]\r\nDossier=/devoirs\r\nPeriph=") + c.stored + "\r\nFreq=" +
                              c.stored + "\r\nBitrate=" + c.stored + "\r\nQuality=" + c.stored + "\r\n");
        const StoredRecordingOptions o = ReadStoredRecordingOptions(file());
        EXPECT_EQ(o.folder, "/devoirs");
        for (const QString& position :
             {o.devicePosition, o.sampleRatePosition, o.bitRatePosition, o.qualityPosition})
            EXPECT_EQ(position, QString(c.position));
    }
}

TEST(RecordingChoices, EveryPositionHasItsCaptionAndValueAndNoOtherPositionHasAny)
{
    EXPECT_EQ(SampleRateChoice(2)->value, 44100);
    EXPECT_EQ(BitRateChoice(11)->caption, "320 Kbit/s");
    EXPECT_EQ(QualityChoice(4)->caption, "Enregistrement d'une voix");
    for (int position : {-1, 12})
        EXPECT_FALSE(SampleRateChoice(position) || BitRateChoice(position) || QualityChoice(position));
    EXPECT_FALSE(SampleRateChoice(0) || BitRateChoice(0) || SampleRateChoice(4) || QualityChoice(5));
    for (int position = kFirstBitRate; position <= kLastBitRate; ++position)
        EXPECT_EQ(BitRateChoice(position)->caption,
                  QString::number(BitRateChoice(position)->value) + " Kbit/s");
}

} // namespace
