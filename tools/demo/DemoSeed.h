#pragma once

#include <QByteArray>
#include <QString>

namespace FakeApi {
class FakeApiServer;
}

// What a demo run of the program finds on the local fake API: one account to
// sign in with, the official sound list of the virtual headset's product,
// cloud-shared EQ curves of a few other users with their avatars, and
// firmware offers for the headset and the receiver. Pictures are drawn here
// and served by the fake API itself.
class DemoSeed
{
public:
    // The virtual headset's product id 0x6901, as the program sends it.
    static constexpr const char *kProductId = "26881";
    static constexpr const char *kUserName = "13800000000";
    static constexpr const char *kPassword = "velkora123";
    // Above what the virtual devices report (headset 1.2.3, receiver 1.0.8).
    static constexpr const char *kHeadsetVersion = "1.3.0";
    static constexpr const char *kReceiverVersion = "1.1.0";

    DemoSeed(QByteArray headsetImage, QByteArray receiverImage);

    void seed(FakeApi::FakeApiServer &server) const;

    // How many of each were seeded.
    static int basicPresetCount();
    static int gamePresetCount();
    static int sharedEqCount();

private:
    void seedAccounts(FakeApi::FakeApiServer &server) const;
    void seedSoundList(FakeApi::FakeApiServer &server) const;
    void seedCloud(FakeApi::FakeApiServer &server) const;
    void seedFirmware(FakeApi::FakeApiServer &server) const;

    QByteArray m_headsetImage;
    QByteArray m_receiverImage;
};
