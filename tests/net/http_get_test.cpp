// The HTTP GET client against an in-test server, and its response reader
// against every way a response can be cut into chunks.
#include "net/http_get.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "net/http_response.h"
#include "net/net_error.h"
#include "net/socket_table.h"
#include "tests/net/http_test_server.h"
#include "tests/support/basic_string_text.h"
#include "tests/support/test_files.h"

namespace {

using qvl_test::bytes;
using qvl_test::str;
using qvl_test::TestHttpServer;

const char* const kHeaderEndings[] = {"\r\n\r\n", "\n\n", "\r\n\n", "\n\r\n"};

// The response's line ends follow the header's own ending.
std::string response(const std::string& ending, const std::string& body) {
  std::string line_end = ending.substr(0, ending.size() / 2);
  return "HTTP/1.1 200 OK" + line_end + "Content-Type: text/plain" + line_end +
         "X-Empty-Looking: \r" + ending + body;
}

// Feeds the chunks to a reader: the body it gave back and the buffer text.
struct ReadResult {
  std::string body;
  std::string buffer;
  bool ended_early = false;
};
ReadResult read_chunks(const std::vector<std::string>& chunks, int buffer_size) {
  std::vector<char> buffer(buffer_size > 0 ? buffer_size : 1, '#');
  HttpResponseReader reader(buffer_size > 0 ? buffer.data() : nullptr, buffer_size);
  ReadResult r;
  for (const std::string& chunk : chunks) {
    const char* body;
    int length;
    bool more = reader.take(chunk.data(), static_cast<int>(chunk.size()), &body, &length);
    r.body.append(body, static_cast<size_t>(length));
    if (!more) {
      r.ended_early = true;
      break;
    }
  }
  if (buffer_size > 0) r.buffer = buffer.data();
  return r;
}

TEST(HttpResponseReader, HeaderEndsAlikeWhereverTheChunksSplitIt) {
  const std::string body = "\nfirst line\r\n\r\nsecond";
  for (const char* ending : kHeaderEndings) {
    SCOPED_TRACE(testing::PrintToString(std::string(ending)));
    const std::string all = response(ending, body);
    for (size_t cut = 0; cut <= all.size(); ++cut) {
      ReadResult r = read_chunks({all.substr(0, cut), all.substr(cut)}, 0);
      ASSERT_EQ(r.body, body) << "cut at " << cut;
    }
    std::vector<std::string> single_bytes;
    for (char c : all) single_bytes.emplace_back(1, c);
    EXPECT_EQ(read_chunks(single_bytes, 0).body, body);
  }
  // "\r" alone ends no line, and a header never ended gives no body.
  EXPECT_EQ(read_chunks({"HTTP/1.1 200 OK\r\r\rbody"}, 0).body, "");
}

TEST(HttpResponseReader, BufferKeepsTextUpToItsSizeAndAZeroByte) {
  const std::string head = "HTTP/1.1 200 OK\r\n\r\n";
  // The first body piece fills the buffer: later chunks are not copied,
  // but the transfer goes on.
  ReadResult r = read_chunks({head + "0123456789abc", "more"}, 11);
  EXPECT_EQ(r.buffer, "0123456789");
  EXPECT_FALSE(r.ended_early);
  EXPECT_EQ(r.body, "0123456789abcmore");
  // A later chunk that fills it ends the transfer.
  r = read_chunks({head, "01234", "56789abc", "never read"}, 11);
  EXPECT_EQ(r.buffer, "0123456789");
  EXPECT_TRUE(r.ended_early);
  // A 0 byte in the body cuts the text.
  r = read_chunks({head + std::string("ab\0cd", 5), "ef"}, 20);
  EXPECT_EQ(r.buffer, "ab");
  // A buffer of one byte keeps nothing but its NUL.
  EXPECT_EQ(read_chunks({head + "abc"}, 1).buffer, "");
}

// The body ends with the announced length, which counts only when it is
// one plain number, given once (or alike each time) and without a
// transfer encoding; otherwise the body runs on to the connection's end.
TEST(HttpResponseReader, ContentLengthEndsTheBodyOnlyWhenItIsClear) {
  struct Case {
    std::string fields;
    std::string body;  // of "0123456789" sent
    bool ended;
  } cases[] = {
      {"Content-Length: 4\r\n", "0123", true},
      {"content-length:4\r\nCONTENT-LENGTH: 4 \r\n", "0123", true},
      {"Content-Length: 0\r\n", "", true},
      {"Content-Length: 4\r\nContent-Length: 5\r\n", "0123456789", false},
      {"Content-Length: 4x\r\n", "0123456789", false},
      {"Content-Length: -4\r\n", "0123456789", false},
      {"Content-Length: 99999999999999999999999\r\n", "0123456789", false},
      {"Transfer-Encoding: chunked\r\nContent-Length: 4\r\n", "0123456789", false},
      {"X-Content-Length: 4\r\n", "0123456789", false},
      {"Content-Length: 40\r\n", "0123456789", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields);
    ReadResult r = read_chunks({"HTTP/1.1 200 OK\r\n" + c.fields + "\r\n01234", "56789"}, 0);
    EXPECT_EQ(r.body, c.body);
    EXPECT_EQ(r.ended_early, c.ended);
  }
}

class HttpGet : public testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(qvl_net_startup_count(), 0); }  // reference given back
};

TEST_F(HttpGet, StringGetSendsTheRequestAndKeepsTheBodyWhateverItsPieces) {
  for (const char* ending : kHeaderEndings) {
    const std::string all = response(ending, "hello, world");
    TestHttpServer server({all.substr(0, 9), all.substr(9, 20), all.substr(29)});
    BasicString got = qvl_http_get_to_string(BasicString("127.0.0.1"), BasicString("/a/b?c=d"),
                                             server.port(), 100, 5000);
    EXPECT_EQ(str(got), "hello, world");
    EXPECT_EQ(server.request(),
              "GET /a/b?c=d HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n"
              "Connection: Close\r\nUser-Agent: Quarvel\r\n\r\n");
  }
}

TEST_F(HttpGet, StringGetKeepsAtMostNBytesAndStopsAtAZeroByte) {
  {
    TestHttpServer server({"HTTP/1.1 200 OK\r\n\r\n", "0123456789abcdef"});
    EXPECT_EQ(str(qvl_http_get_to_string(BasicString("127.0.0.1"), BasicString("/"), server.port(),
                                         10, 5000)),
              "0123456789");
  }
  {
    TestHttpServer server({"HTTP/1.1 200 OK\r\n\r\nbefore" + std::string(1, '\0') + "after"});
    EXPECT_EQ(str(qvl_http_get_to_string(BasicString("127.0.0.1"), BasicString("/"), server.port(),
                                         100, 5000)),
              "before");
  }
  for (int n : {0, -1, -2, -100}) {
    TestHttpServer server({"HTTP/1.1 200 OK\r\n\r\nbody"});
    EXPECT_EQ(qvl_http_get_to_string(BasicString("127.0.0.1"), BasicString("/"), server.port(), n,
                                     5000)
                  .length,
              0);
  }
}

TEST_F(HttpGet, FileGetWritesTheBodyAndReplacesTheOldFile) {
  const std::string file = qvl_test::temp_path("page.bin");
  qvl_test::write_file(file, "old contents");
  const std::string body = std::string("binary\0body\r\n\r\n", 15) + std::string(70000, 'x');
  TestHttpServer server({"HTTP/1.1 404 Not Found\n\n" + body.substr(0, 1000), body.substr(1000)});
  EXPECT_EQ(qvl_http_get_to_file(BasicString("127.0.0.1"), BasicString("/f"), server.port(),
                                 BasicString(file.c_str()), 5000),
            1);
  EXPECT_EQ(qvl_test::read_file(file), body);  // an error page's body is a body too
}

// Names in the folder other than the target: a download must not leave its
// temporary file behind.
std::vector<std::string> folder_entries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* d = opendir(folder.c_str());
  while (dirent* e = readdir(d))
    if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
  closedir(d);
  return names;
}

TEST_F(HttpGet, AFailedDownloadKeepsTheOldFile) {
  const std::string folder = qvl_test::enter_fresh_folder("downloads");
  const std::string file = folder + "/page.html";
  qvl_test::write_file(file, "old contents");
  // Refused.
  EXPECT_EQ(qvl_http_get_to_file(BasicString("127.0.0.1"), BasicString("/"),
                                 qvl_test::unused_port(), BasicString(file.c_str()), 5000),
            0);
  EXPECT_EQ(qvl_net_last_error(), 10061);
  EXPECT_EQ(qvl_test::read_file(file), "old contents");
  // A server that stops sending half-way: the silence ends the transfer in
  // time, and what came does not replace the file.
  TestHttpServer server({"HTTP/1.1 200 OK\r\n\r\npartial"}, TestHttpServer::End::stall);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(qvl_http_get_to_file(BasicString("127.0.0.1"), BasicString("/"), server.port(),
                                 BasicString(file.c_str()), 300),
            0);
  EXPECT_EQ(qvl_net_last_error(), 10060);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 20.0);
  EXPECT_EQ(qvl_test::read_file(file), "old contents");
  EXPECT_EQ(folder_entries(folder), std::vector<std::string>{"page.html"});
}

// A connection that breaks before the body is complete is a failure and
// the old file stays: a reset whether or not a length was given, and with
// a length also an early end of the stream. So is a clean end before the
// header is complete, at its first byte or inside it, with or without a
// length: there is no body at all.
TEST_F(HttpGet, ABodyCutShortFailsAndKeepsTheOldFile) {
  const std::string file = qvl_test::temp_path("cut.bin");
  const std::string part(5000, 'p');
  struct Case {
    std::string sent;
    TestHttpServer::End end;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\n\r\n" + part, TestHttpServer::End::reset},
      {"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + part, TestHttpServer::End::reset},
      {"HTTP/1.1 200 OK\r\nContent-Length: 5001\r\n\r\n" + part, TestHttpServer::End::close},
      {"", TestHttpServer::End::close},
      {"HTTP/1.1 200 O", TestHttpServer::End::close},
      {"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n", TestHttpServer::End::close},
      {"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r", TestHttpServer::End::close},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sent.substr(0, 60));
    qvl_test::write_file(file, "old contents");
    {
      TestHttpServer server({c.sent}, c.end);
      EXPECT_EQ(qvl_http_get_to_file(BasicString("127.0.0.1"), BasicString("/"), server.port(),
                                     BasicString(file.c_str()), 5000),
                0);
      EXPECT_EQ(qvl_net_last_error(), kNetErrorConnectionReset);
      EXPECT_TRUE(qvl_test::read_file(file) == "old contents");
    }
    TestHttpServer server({c.sent}, c.end);
    char buffer[100];
    EXPECT_FALSE(
        qvl_http_get("127.0.0.1", "/", server.port(), nullptr, buffer, sizeof buffer, 5000));
  }
}

// With a length given, the transfer is done once that many body bytes are
// in, though the server holds the connection open; the length is read
// wherever the chunks cut the header, and bytes past it are not body.
TEST_F(HttpGet, ContentLengthEndsTheTransferWhileTheServerHoldsOn) {
  const std::string body = std::string("len\0gth", 7) + std::string(30000, 'b');
  const std::string head = "HTTP/1.1 200 OK\r\ncontent-LENGTH:  " + std::to_string(body.size()) +
                           " \r\nX-After: 1\r\n\r\n";
  const std::string all = head + body + "not body";
  const std::string file = qvl_test::temp_path("held.bin");
  const size_t cuts[] = {1, 20, 30, head.size() - 1, head.size(), head.size() + 3};
  for (size_t cut : cuts) {
    SCOPED_TRACE(cut);
    qvl_test::write_file(file, "old contents");
    TestHttpServer server({all.substr(0, cut), all.substr(cut)}, TestHttpServer::End::stall);
    EXPECT_EQ(qvl_http_get_to_file(BasicString("127.0.0.1"), BasicString("/"), server.port(),
                                   BasicString(file.c_str()), 3000),
              1);
    EXPECT_TRUE(qvl_test::read_file(file) == body);
  }
  TestHttpServer empty({"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"},
                       TestHttpServer::End::stall);
  char buffer[10] = "#";
  EXPECT_TRUE(qvl_http_get("127.0.0.1", "/", empty.port(), nullptr, buffer, sizeof buffer, 3000));
  EXPECT_STREQ(buffer, "");
  // A body sent in chunks carries no length of its own: a length beside
  // it is not taken, and the body ends with the connection.
  TestHttpServer chunked(
      {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\nTransfer-Encoding: chunked\r\n\r\n",
       "3\r\nabc\r\n0\r\n\r\n"});
  EXPECT_EQ(str(qvl_http_get_to_string(BasicString("127.0.0.1"), BasicString("/"), chunked.port(),
                                       100, 3000)),
            "3\r\nabc\r\n0\r\n\r\n");
}

TEST_F(HttpGet, StalledServerEndsAStringGetInTime) {
  TestHttpServer server({"HTTP/1.1 200 OK\r\n"}, TestHttpServer::End::stall);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(qvl_http_get("127.0.0.1", "/", server.port(), nullptr, nullptr, 0, 300));
  EXPECT_EQ(qvl_net_last_error(), 10060);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 20.0);
}

// Nothing leaves the machine for a request that cannot be carried out.
TEST_F(HttpGet, RefusedRequestsSendNothing) {
  int port;
  int listener = qvl_test::plain_listener(&port);
  const std::string missing = qvl_test::temp_path("no/such/folder/file.txt");
  EXPECT_EQ(qvl_http_get_to_file(BasicString("127.0.0.1"), BasicString("/"), port,
                                 BasicString(missing.c_str()), 1000),
            0);
  EXPECT_EQ(qvl_net_last_error(), kNetErrorPathNotFound);

  struct Case {
    std::string host, path;
  };
  const Case injected[] = {
      {"127.0.0.1\r\nX-Injected: 1", "/"},
      {"127.0.0.1", "/ HTTP/1.1\nX-Injected: 1\n"},
      {"127.0.0.1", std::string("/a\0b", 4)},
      {std::string("127.0.0.1\0evil", 14), "/"},
      {"127.0.0.1\r", "/"},
  };
  const std::string file = qvl_test::temp_path("kept.txt");
  qvl_test::write_file(file, "kept");
  for (const Case& c : injected) {
    EXPECT_EQ(qvl_http_get_to_file(bytes(c.host), bytes(c.path), port, BasicString(file.c_str()),
                                   1000),
              0);
    EXPECT_EQ(qvl_net_last_error(), kNetErrorInvalidArgument);
    EXPECT_EQ(qvl_http_get_to_string(bytes(c.host), bytes(c.path), port, 10, 1000).length, 0);
  }
  EXPECT_EQ(qvl_test::read_file(file), "kept");
  pollfd pending{listener, POLLIN, 0};
  EXPECT_EQ(poll(&pending, 1, 0), 0);  // no connection came
  close(listener);
}

// A path longer than the usual work buffer still goes out whole.
TEST_F(HttpGet, LongPathGoesOutWhole) {
  const std::string path = "/" + std::string(20000, 'p');
  TestHttpServer server({"HTTP/1.1 200 OK\r\n\r\nok"});
  EXPECT_EQ(str(qvl_http_get_to_string(BasicString("127.0.0.1"), BasicString(path.c_str()),
                                       server.port(), 10, 5000)),
            "ok");
  EXPECT_EQ(server.request().substr(0, 4 + path.size() + 10), "GET " + path + " HTTP/1.1\r");
}

}  // namespace
