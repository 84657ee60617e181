#include "FakeInterface.h"
#include "protocol/BasicSysexProtocolClass.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

namespace
{
struct ProgressFixture : ::testing::Test
{
    FakeInterface device;
    FirmwareImage image { FirmwareImage() };
    BasicSysexProtocolClass protocol { &device, &image };
    ProgressRecorder recorder { protocol };
};
} // namespace

TEST_F(ProgressFixture, ProgressIsKeptInHundredthsAndAnnouncedOnlyWhenTheyChange)
{
    protocol.setProgress(0.123);
    EXPECT_EQ(protocol.getProgress(), 0.12);
    EXPECT_EQ(recorder.notifications(), 1); // synchronous: already delivered

    protocol.setProgress(0.124);
    protocol.setProgress(0.12);
    EXPECT_EQ(recorder.notifications(), 1);

    // Halves go to the even neighbour, as the percentage shown does.
    protocol.setProgress(0.125);
    EXPECT_EQ(protocol.getProgress(), 0.12);
    protocol.setProgress(0.375);
    EXPECT_EQ(protocol.getProgress(), 0.38);

    protocol.setProgress(1.0);
    EXPECT_EQ(protocol.getProgress(), 1.0);
    EXPECT_EQ(recorder.progressValues(), (std::vector<double> { 0.12, 0.38, 1.0 }));
}

TEST_F(ProgressFixture, AStatusTextIsPostedOnceAndReachesTheMessageThreadLater)
{
    protocol.setStatusText("Uploading firmware");
    protocol.setStatusText("Uploading firmware");
    EXPECT_EQ(recorder.notifications(), 0); // asynchronous

    ASSERT_TRUE(testsupport::pumpUntil([&] { return recorder.notifications() > 0; }));
    testsupport::pumpFor(50);
    EXPECT_EQ(recorder.notifications(), 1);
    EXPECT_EQ(recorder.lastStatus(), "Uploading firmware");
}

TEST_F(ProgressFixture, TheSameValueAgainAnnouncesNothing)
{
    protocol.setProgress(0.0);
    EXPECT_EQ(recorder.notifications(), 0);
}

TEST(UploadPacing, ThePedalGetsItsSilenceAfterTheMessageHasLeftTheCable)
{
    // A send that returns at once (ALSA): the wire time is added, rounded up.
    EXPECT_EQ(UploadPacing::pauseAfter(500, 0.0), 300 + 160);
    EXPECT_EQ(UploadPacing::pauseAfter(9, 0.0), 300 + 3);
    // A send that blocked while the bytes went out (a blocking driver): 300 ms are left.
    EXPECT_EQ(UploadPacing::pauseAfter(500, 170.0), 300);
    // In between, only what is still on the wire is added.
    EXPECT_EQ(UploadPacing::pauseAfter(500, 100.0), 300 + 60);
}
