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
    // Sends that return at once (ALSA): the wire time is added, rounded up.
    UploadPacing queueing;
    EXPECT_EQ(queueing.pauseAfter(500, 0.05), 300 + 160);
    EXPECT_EQ(queueing.pauseAfter(9, 0.05), 300 + 3);
    // A queueing send that was slow to reach its driver looks like a blocking one; the
    // bytes may have only just started, so the whole wire time is still added.
    EXPECT_EQ(queueing.pauseAfter(9, 3.5), 300 + 3);
    EXPECT_EQ(queueing.pauseAfter(40, 13.0), 300 + 13);

    // A driver that blocks while the bytes go out: once a long message has shown it, the
    // send time is wire time already waited for, and 300 ms are left.
    UploadPacing blocking;
    EXPECT_EQ(blocking.pauseAfter(9, 2.9), 300 + 3);
    EXPECT_EQ(blocking.pauseAfter(158, 50.6), 300 + 51) << "a message shows the driver only to the next";
    EXPECT_EQ(blocking.pauseAfter(500, 160.2), 300);
    EXPECT_EQ(blocking.pauseAfter(9, 2.9), 300);
    // In between, only what is still on the wire is added.
    EXPECT_EQ(blocking.pauseAfter(500, 100.0), 300 + 60);
}

TEST(UploadPacing, WhatTheDriverShowedIsForgottenWhenItStopsWaitingOrAPassStarts)
{
    UploadPacing pacing;
    pacing.pauseAfter(500, 161.0);
    ASSERT_EQ(pacing.pauseAfter(9, 2.9), 300);

    // A long message that returned before its wire time: the driver queues after all.
    EXPECT_EQ(pacing.pauseAfter(500, 0.05), 300 + 160);
    EXPECT_EQ(pacing.pauseAfter(9, 2.9), 300 + 3);

    pacing.pauseAfter(500, 161.0);
    pacing.startPass();
    EXPECT_EQ(pacing.pauseAfter(9, 2.9), 300 + 3);

    // A short message never shows it: its wire time is within a scheduling delay. From
    // 64 bytes on, one does.
    pacing.pauseAfter(63, 25.0);
    EXPECT_EQ(pacing.pauseAfter(9, 2.9), 300 + 3);
    for (const auto telltale : { 64, 65 })
    {
        pacing.startPass();
        pacing.pauseAfter(telltale, telltale * UploadPacing::wireMsPerByte + 0.2);
        EXPECT_EQ(pacing.pauseAfter(9, 2.9), 300) << telltale << " bytes";
    }
    pacing.startPass();

    // A send far slower than its wire time was held up by something else: it shows
    // nothing, and shortens no pause even once the driver is known to wait...
    pacing.pauseAfter(158, 150.0);
    EXPECT_EQ(pacing.pauseAfter(9, 2.9), 300 + 3);
    pacing.pauseAfter(500, 161.0);
    EXPECT_EQ(pacing.pauseAfter(158, 150.0), 300 + 51);
    // ...nor does it unlearn the driver: a busy moment costs the slow message's own pause
    // only, not every pause until the next long message.
    EXPECT_EQ(pacing.pauseAfter(9, 2.9), 300);
}
