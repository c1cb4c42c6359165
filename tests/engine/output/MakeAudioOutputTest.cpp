#include "AudioOutput.h"
#include "OutputAlsa.h"
#include "OutputNull.h"
#include "OutputPulse.h"
#include "OutputWav.h"
#include "PulseServer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <typeinfo>

TEST(MakeAudioOutput, BuildsTheNamedOutput) {
    struct Case {
        std::string name;
        const std::type_info* type; // nullptr: refused
        PacedOutput::Pacing pacing = PacedOutput::Pacing::RealTime;
    } cases[] = {
        {"pulse", &typeid(OutputPulse)},
        {"alsa", &typeid(OutputAlsa)},
        {"null", &typeid(OutputNull)},
        {"null:unpaced", &typeid(OutputNull), PacedOutput::Pacing::Unpaced},
        {"wav:/tmp/x.wav", &typeid(OutputWav)},
        {"wav-unpaced:/tmp/x.wav", &typeid(OutputWav), PacedOutput::Pacing::Unpaced},
        {"wav:", nullptr},
        {"wav-unpaced:", nullptr},
        {"Null", nullptr},
        {"oss", nullptr},
        {"null:", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto out = makeAudioOutput(c.name);
        if (!c.type) {
            EXPECT_EQ(out, nullptr);
            continue;
        }
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(typeid(*out), *c.type);
        if (auto* paced = dynamic_cast<PacedOutput*>(out.get())) {
            EXPECT_EQ(paced->pacing(), c.pacing);
        }
    }
    auto wav = makeAudioOutput("wav:/some/where/with:colon.wav");
    ASSERT_NE(dynamic_cast<OutputWav*>(wav.get()), nullptr);
    EXPECT_EQ(dynamic_cast<OutputWav*>(wav.get())->path(), "/some/where/with:colon.wav");
}

TEST(MakeAudioOutput, AutoPrefersARunningSoundServer) {
    PulseServer server;
    ASSERT_TRUE(server.running()) << server.error();
    auto out = makeAudioOutput("auto");
    ASSERT_NE(out, nullptr);
    EXPECT_NE(dynamic_cast<OutputPulse*>(out.get()), nullptr);
    EXPECT_EQ(out->deviceCount(), 1);
}

TEST(MakeAudioOutput, AutoWithoutAnyDeviceReportsNone) {
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", ("unix:" + dir.path() + "/no-server").toUtf8());
    auto out = makeAudioOutput("auto");
    ASSERT_NE(out, nullptr);
    // This holds on machines without a sound card, such as the test machines.
    OutputAlsa alsa;
    if (alsa.deviceCount() == 0) {
        EXPECT_EQ(out->deviceCount(), 0);
        EXPECT_FALSE(out->open(44100, [](float*, int) {}));
    }
    if (saved.isEmpty())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", saved);
}
