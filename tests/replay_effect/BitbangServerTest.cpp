// The replay server's own recording, driven by a client that speaks the remote_bitbang protocol
// directly: the waits an OpenOCD that sends them would send, and the states the clocks go
// through, counted from the TRST mark on.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "BitbangServer.h"
#include "ReplayFixture.h"

namespace {

using namespace replay;
using namespace KelPluginInterface;

// Connects to the server, sends `commands` and waits for the session to end.
void play(BitbangServer& server, const std::string& commands) {
    const int client = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(client, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(server.port());
    ASSERT_EQ(0, ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(static_cast<ssize_t>(commands.size()),
              ::send(client, commands.data(), commands.size(), MSG_NOSIGNAL));
    EXPECT_TRUE(server.finish()) << server.problem();
    ::close(client);
}

TEST(BitbangServer, RecordsWaitsAndStatesFromTheMarkOn) {
    kelsim::SimulatedChain chain = makeChain({{4, 0x1A2B3C4D, {}}});
    BitbangServer server(chain);
    ASSERT_NE(server.port(), 0) << server.problem();
    server.start(std::chrono::seconds(20));
    // Before the mark: a clock and a wait that do not count. Then TRST (t, r), two waits of a
    // millisecond and three of a microsecond in reset, a clock to Run-Test/Idle (0, 4), a wait,
    // a clock held there, and two more waits that make one.
    play(server,
         "04Z"
         "tr"
         "ZZzzz"
         "04"
         "z"
         "04"
         "Zz"
         "Q");
    EXPECT_EQ(server.problem(), "");
    EXPECT_EQ(server.trstPulses(), 1);
    const std::vector<PlayerWait> waits{{KELJTAG_TEST_LOGIC_RESET, 2003},
                                        {KELJTAG_RUN_TEST_IDLE, 1},
                                        {KELJTAG_RUN_TEST_IDLE, 1001}};
    EXPECT_EQ(server.waits(), waits);
    const std::vector<StateVisit> visits{{KELJTAG_TEST_LOGIC_RESET, 1}, {KELJTAG_RUN_TEST_IDLE, 1}};
    EXPECT_EQ(server.visits(), visits);
    EXPECT_EQ(chain.clocksIn(KELJTAG_RUN_TEST_IDLE), 1u);
    EXPECT_EQ(chain.clocksIn(KELJTAG_TEST_LOGIC_RESET), 1u);  // the one before the mark is gone
}

}  // namespace
