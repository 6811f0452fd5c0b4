// The start-up and the shutdown in their order, run whole in a child
// process on SDL's offscreen driver.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/call_by_name.h"
#include "core/error_state.h"
#include "files/app_name.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/text_3d.h"
#include "gfx3d/rainbows3d.h"
#include "host/project_settings.h"
#include "host/show_screen.h"
#include "host/startup.h"
#include "net/net_session.h"
#include "net/socket_table.h"
#include "net/sockets.h"
#include "platform/video.h"
#include "tests/support/child_process.h"

namespace {

void small_settings() {
  qvl_win_project_settings = ProjectSettings{160, 120, 0, 0, 60, 1};
  qvl_sys_app_name().assign_cstr("TestApp");
}

int g_entry_ran = 0;
int three_frames() {
  g_entry_ran = 1;
  for (int i = 0; i < 3; ++i) qvl_win_show_screen();
  return 0;
}

std::string error_log() { return qvl_test::read_file(qvl_test::temp_dir() + "ErrorLog.txt"); }

// True when every line appears in the text in this order.
::testing::AssertionResult in_order(const std::string& text, const std::vector<std::string>& lines) {
  size_t at = 0;
  for (const std::string& l : lines) {
    size_t found = text.find(l + "\n", at);
    if (found == std::string::npos)
      return ::testing::AssertionFailure() << "missing or out of order: \"" << l << "\" in\n" << text;
    at = found + l.size();
  }
  return ::testing::AssertionSuccess();
}

TEST(Startup, RunsInOrderShowsFramesAndShutsDown) {
  auto r = qvl_test::run_in_child([] {
    const char* argv[] = {"player"};
    qvl_win_main(QvlApplication{small_settings, three_frames}, nullptr, 1, 1, argv);
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out, "exit\n");
  EXPECT_TRUE(in_order(error_log(),
                       {"Start new log...", "timer", "rbow", "rbow init", "WIN32 init video",
                        "OGRB init [OK]", "Cptn", "Network", "Input", "Window mode", "Create DXin",
                        "reptr", "getexe", "cd", "strongboxing...", "init gettimer", "clear screen",
                        "flip", "mk2D", "finding font...", "Win8+ mouse as pointer",
                        "Init Finalized", "Shut down QVL", "qvl is shut down"}));
}

// The 2D code reaches the engine the start-up made: its record and, for 3D
// text, its matrices.
TEST(Startup, LinksTheEngineToTheGraphicsObject) {
  auto r = qvl_test::run_in_child([] {
    const char* argv[] = {"player"};
    qvl_win_main(QvlApplication{small_settings,
                                [] {
                                  bool linked = qvl_x3d_engine &&
                                                qvl_gfx_rainbows->engine_3d == qvl_x3d_engine &&
                                                qvl_gfx_engine_matrices == qvl_x3d_read_matrices;
                                  std::printf(linked ? "linked\n" : "not linked\n");
                                  return 0;
                                }},
                 nullptr, 1, 1, argv);
  });
  EXPECT_EQ(r.out, "linked\nexit\n") << r.err;
}

// Full screen (or its fallback to a window where the display has no such
// mode) and show command 0, which runs without a visible window: both start
// and end.
TEST(Startup, FullScreenFallbackAndHiddenStart) {
  struct Case {
    int full_screen, show;
    const char* log_line;
  } cases[] = {{1, 1, "Window mode"}, {0, 0, "Init Finalized"}};
  for (const Case& c : cases) {
    static Case current;
    current = c;
    auto r = qvl_test::run_in_child([] {
      const char* argv[] = {"player"};
      QvlApplication app{[] {
                           small_settings();
                           qvl_win_project_settings.full_screen = current.full_screen;
                         },
                         [] {
                           qvl_win_show_screen();
                           bool visible = plat_window_visible(qvl_win_handle());
                           std::printf("visible %d\n", visible ? 1 : 0);
                           return 0;
                         }};
      qvl_win_main(app, nullptr, current.show, 1, argv);
    });
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.out, c.show ? "visible 1\nexit\n" : "visible 0\nexit\n");
    EXPECT_TRUE(in_order(error_log(), {c.log_line, "qvl is shut down"}));
  }
}

// Without a display the window cannot be made: the program ends through END
// after the log line, and the application never runs.
TEST(Startup, FailedWindowEndsThroughEnd) {
  auto r = qvl_test::run_in_child([] {
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    const char* argv[] = {"player"};
    qvl_win_main(QvlApplication{small_settings, three_frames}, nullptr, 1, 1, argv);
    std::puts("application ran");
  });
  EXPECT_EQ(r.exit_status, 1) << "a failed start must not look like success to the shell";
  EXPECT_EQ(r.out, "exit\n");
  EXPECT_NE(r.err.find("cannot open the window"), std::string::npos);
  std::string log = error_log();
  EXPECT_TRUE(in_order(log, {"rbow init", "Shut down QVL", "qvl is shut down"}));
  EXPECT_EQ(log.find("Cptn"), std::string::npos);
}

TEST(Startup, SeedMixesWallClockTime) {
  EXPECT_NE(qvl_win_random_seed(12.0, 1700000000000LL), qvl_win_random_seed(12.0, 1700000001000LL));
  EXPECT_NE(qvl_win_random_seed(12.0, 1700000000000LL), qvl_win_random_seed(13.0, 1700000000000LL));
}

TEST(Shutdown, QuitHookOnceAndNothingWithoutGraphicsObject) {
  static int quits = 0;
  static const NamedSub table[] = {{[] { ++quits; }, "QVL_ON_QUIT"}, {nullptr, nullptr}};
  qvl_call_set_table(table);
  qvl_win_shutdown();
  qvl_win_shutdown();
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(error_log(), "");
}

// Remove-player packets go to the host for confirmed ids only (the query
// player's among them), before the session ends, and not at all when there
// is no session.
TEST(Shutdown, RemovePlayerPacketsOnlyOnAConnection) {
  for (bool connected : {true, false}) {
    // The session's host: a plain listener on loopback that answers the
    // query player (id 5) and the hello, then keeps what comes.
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t at_length = sizeof at;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&at), &at_length);
    std::vector<uint8_t> got;
    std::thread host;
    if (connected) {
      host = std::thread([&] {
        int fd = accept(listener, nullptr, nullptr);
        uint8_t piece[256];
        auto take = [&](size_t n) {
          for (size_t have = 0; have < n;) {
            ssize_t r = recv(fd, piece, n - have, 0);
            if (r <= 0) return;
            have += static_cast<size_t>(r);
          }
        };
        take(143);
        const uint8_t id[7] = {2, 0, 0, 5, 0, 0, 0};
        send(fd, id, sizeof id, 0);
        take(7);
        const uint8_t hello[9] = {104, 2, 0, 5, 0, 0, 0, 1, 0};
        send(fd, hello, sizeof hello, 0);
        // Everything the client sends until the shutdown closes it.
        for (ssize_t n; (n = recv(fd, piece, sizeof piece, 0)) > 0;)
          got.insert(got.end(), piece, piece + n);
        close(fd);
      });
    }

    qvl_gfx_rainbows = new OpenGLRainbows();  // the start-up stopped after the object
    auto* s = new NetSession;
    s->init_idle();
    qvl_net_session = s;
    if (connected) {
      ASSERT_TRUE(qvl_net_startup());
      ASSERT_EQ(s->join("127.0.0.1", ntohs(at.sin_port)), true);
    }
    qvl_sys_mutex_lock(&s->lock);
    for (uint16_t id : {0, 7, 0xFF00, 300}) s->local_players.push_back()->id = id;
    qvl_sys_mutex_unlock(&s->lock);
    qvl_win_shutdown();
    EXPECT_EQ(qvl_net_session, nullptr);
    EXPECT_EQ(qvl_gfx_rainbows, nullptr);
    if (connected) {
      host.join();
      const uint8_t want[21] = {4, 0, 0, 0, 0, 5, 0,     // the query player
                                4, 0, 0, 0, 0, 7, 0,     // 7
                                4, 0, 0, 0, 0, 0x2C, 1};  // 300
      EXPECT_EQ(got, std::vector<uint8_t>(want, want + 21));
    }
    close(listener);
  }
  EXPECT_EQ(qvl_net_startup_count(), 0);
}

}  // namespace
