// The LV2 bundle in jalv, a real LV2 host, on the test's JACK server: notes played into it
// come back as randomized control changes, as the VST 2 build's live tool gives them.
#include "live_fixture.h"

#include <set>
#include <string>

using livetest::JackProbe;
using livetest::Message;

namespace {

TEST(Lv2InJalv, NotesBecomeRandomizedControlChanges) {
    std::string server;
    LIVE_REQUIRE_SERVER(server);
    ASSERT_FALSE(livetest::FindProgram("jalv").empty()) << "jalv is not installed";
    JackProbe probe(server, livetest::UniqueName("probe"));
    ASSERT_TRUE(probe.Ok()) << probe.Why();

    // Value and number randomized over their whole ranges; only the bundle and the installed
    // specifications on the LV2 path.
    const std::string name = livetest::UniqueName("jalv");
    const std::string bundles = std::string(MORAVOX_LV2_BUNDLE).substr(
        0, std::string(MORAVOX_LV2_BUNDLE).rfind('/'));
    // jalv reads commands from its standard input and ends at its end: a pipe kept open
    // until the test is done.
    struct Jalv {
        int commands[2] = {-1, -1};
        pid_t pid = -1;
        std::string out, err;
        ~Jalv() {
            if (commands[1] >= 0) close(commands[1]);
            if (pid > 0) kill(pid, SIGINT); // how it is told to end from a terminal
            int status = 0;
            if (pid > 0 && !support::Eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; })) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
            }
            unlink(out.c_str());
            unlink(err.c_str());
        }
        std::string Printed() const { return livetest::ReadText(out) + livetest::ReadText(err); }
    } jalv;
    jalv.out = "/tmp/" + name + ".out";
    jalv.err = "/tmp/" + name + ".err";
    ASSERT_EQ(pipe2(jalv.commands, O_CLOEXEC), 0);
    jalv.pid = livetest::Spawn(
        {"jalv", "-x", "-n", name, "-c", "value=1", "-c", "number=1",
         "https://moravox.org/lv2/moravox"},
        {"JACK_DEFAULT_SERVER=" + server, "LV2_PATH=" + bundles + ":/usr/lib/lv2"}, jalv.out,
        jalv.err, jalv.commands[0]);
    close(jalv.commands[0]);
    ASSERT_GT(jalv.pid, 0);

    // The ports connect once jalv's client is active.
    const std::string in = name + ":midi_in", from = name + ":midi_out";
    probe.Watch(in, from);
    ASSERT_TRUE(support::Eventually([&] { return probe.Connect(probe.FeedPort(), in); },
                                    std::chrono::seconds(20)))
        << "jalv's input did not appear:\n" << jalv.Printed();
    ASSERT_TRUE(support::Eventually([&] { return probe.Connect(from, probe.ReadPort()); }))
        << jalv.Printed();
    ASSERT_TRUE(support::Eventually([&] { return probe.Live(); }));
    // jalv makes its ports before it starts running the plug-in.
    ASSERT_TRUE(probe.RoundTrips()) << "nothing came back through jalv:\n" << jalv.Printed();
    std::vector<Message> notes;
    for (uint32_t i = 0; i < 32; i++) notes.push_back({i * 4, {uint8_t(0x90 | (i % 16)), 60, 100}});
    probe.Send(notes);
    const std::vector<Message> got = probe.Receive(notes.size(), livetest::milliseconds(10000));
    ASSERT_EQ(got.size(), notes.size()) << jalv.Printed();
    std::set<int> numbers, values;
    for (size_t i = 0; i < got.size(); i++) {
        ASSERT_EQ(got[i].bytes.size(), 3u);
        EXPECT_EQ(got[i].bytes[0], 0xB0 | (notes[i].bytes[0] & 0x0F)) << i;
        EXPECT_EQ(got[i].frame, notes[i].frame) << i;
        numbers.insert(got[i].bytes[1]);
        values.insert(got[i].bytes[2]);
    }
    EXPECT_GT(numbers.size(), 8u);
    EXPECT_GT(values.size(), 8u);
}

} // namespace
