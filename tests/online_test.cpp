// The update check and the usage report, and the HTTP client under them,
// against a real HTTP server on the loopback address.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSslConfiguration>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "online/online.h"
#include "online/qt_http.h"
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"
#include "sys/posix/ini_store.h"

namespace tarvolin {
namespace {

using Answer = testing::LoopbackHttpServer::Answer;

constexpr char kVersionPath[] = "/prog/Tarvolin/version.txt";
constexpr char kReportPath[] = "/prog/statsupdate.asp";
constexpr int kWaitMs = 20000;

// Runs the event loop until `done` or the time is up; false on time-out.
bool PumpUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) {
      return false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

class OnlineTest : public ::testing::Test {
 protected:
  void SetUp() override { settings_.AutoUpdate = true; }

  // A fresh run of the program with this version.
  OnlineServices& Start(ProgramVersion version = {0, 8, 7}, bool beta = true,
                        int timeoutMs = 10000) {
    OnlineConfig config;
    config.baseAddress = server_.BaseAddress();
    config.version = version;
    config.isBeta = beta;
    config.timeoutMs = timeoutMs;
    offers_ = 0;
    opened_.clear();
    online_ = std::make_unique<OnlineServices>(
        http_, settings_, config,
        [this](const std::string& text) {
          EXPECT_EQ(text, kUpdatePrompt);
          ++offers_;
          if (whileOpen_) {
            whileOpen_();  // what the event loop runs while the box waits
          }
          return answerYes_;
        },
        [this](const std::string& url) { opened_.push_back(url); });
    return *online_;
  }

  // One tick, then the event loop until the server is done with `more` new
  // requests and the check is no longer under way.
  void Tick(std::size_t more) {
    const std::size_t before = server_.Requests().size();
    online_->Tick();
    EXPECT_TRUE(PumpUntil(
        [&] {
          const auto requests = server_.Requests();
          return requests.size() >= before + more &&
                 std::all_of(requests.begin(), requests.end(), [](auto& r) { return r.done; }) &&
                 (online_->UpdateChecked() || !settings_.AutoUpdate);
        },
        kWaitMs));
  }

  std::size_t VersionFetches() const { return server_.RequestsFor(kVersionPath).size(); }

  int argc_ = 1;
  char* argv_[1] = {const_cast<char*>("online_test")};
  QCoreApplication app_{argc_, argv_};
  testing::LoopbackHttpServer server_;
  QtHttpClient http_;
  SettingsState settings_;
  std::unique_ptr<OnlineServices> online_;
  int offers_ = 0;
  bool answerYes_ = false;
  std::function<void()> whileOpen_;
  std::vector<std::string> opened_;
};

// Only a higher number is offered, once; Yes opens the download page. An
// error page is no number, and a failed check is not tried again.
TEST_F(OnlineTest, OnlyAHigherNumberIsOfferedOnce) {
  const std::tuple<Answer, bool, bool> cases[] = {{{.body = "0.88\r\nnew\r\n"}, true, true},
                                                  {{.body = "0.88"}, true, false},
                                                  {{.body = "0.87"}, false, true},
                                                  {{.status = 500, .body = "9.99"}, false, true}};
  for (const auto& [answer, offered, yes] : cases) {
    SCOPED_TRACE(answer.body);
    server_.Serve(kVersionPath, answer);
    answerYes_ = yes;
    Start();
    const std::size_t fetches = VersionFetches();
    Tick(2);
    Tick(0);
    EXPECT_EQ(offers_, offered ? 1 : 0);
    EXPECT_EQ(VersionFetches(), fetches + 1);
    EXPECT_EQ(opened_, offered && yes
                           ? std::vector<std::string>{server_.BaseAddress() + "prog/download.html"}
                           : std::vector<std::string>{});
  }
}

TEST_F(OnlineTest, TicksWhileTheRequestOrTheOfferIsOutStartNothing) {
  server_.Serve(kVersionPath, {.stall = true});
  Start({0, 8, 7}, true, 1500);
  online_->Tick();
  ASSERT_TRUE(PumpUntil([&] { return VersionFetches() == 1; }, kWaitMs));
  online_->Tick();
  online_->Tick();
  ASSERT_TRUE(PumpUntil([&] { return online_->UpdateChecked(); }, kWaitMs));
  EXPECT_EQ(offers_, 0);
  EXPECT_EQ(VersionFetches(), 1u);
  // The request given up at its time-out leaves the server.
  EXPECT_TRUE(
      PumpUntil([&] { return server_.RequestsFor(kVersionPath).at(0).clientLeft; }, kWaitMs));

  server_.Serve(kVersionPath, {.body = "0.88"});
  Start();
  whileOpen_ = [&] {
    online_->Tick();
    Pump(300);
  };
  Tick(2);
  EXPECT_EQ(offers_, 1);
  EXPECT_EQ(VersionFetches(), 2u);
}

TEST_F(OnlineTest, TheReportGoesOutOncePerRunAndTheCheckWaitsForAutoUpdate) {
  server_.Serve(kVersionPath, {.body = "0.88"});
  settings_.AutoUpdate = false;
  for (const auto& [version, beta, value] :
       {std::tuple{ProgramVersion{0, 12, 5}, false, "0.125"},
        std::tuple{ProgramVersion{0, 8, 7}, true, "0.87BETA"}}) {
    Start(version, beta);
    const std::size_t before = server_.Requests().size();
    Tick(1);
    Tick(0);
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), before + 1);
    EXPECT_EQ(requests.back().line, std::string("GET /prog/statsupdate.asp?pass=pushstats&ip=") +
                                        http_.LocalIPv4Address() +
                                        "&prog_name=Tarvolin&Version=" + value + " HTTP/1.1");
  }
  EXPECT_EQ(VersionFetches(), 0u);
  settings_.AutoUpdate = true;
  Tick(1);
  EXPECT_EQ(VersionFetches(), 1u);
  EXPECT_EQ(offers_, 1);
  EXPECT_EQ(server_.RequestsFor(kReportPath).size(), 2u);
}

TEST(UpdateServerBaseTest, TheSettingsFileNamesTheServerElseTheBuiltInDefaultIsUsed) {
  testing::TempFolder folder;
  sys::IniStore profile;
  const std::string ini = folder / "tv.ini";
  EXPECT_EQ(UpdateServerBase(profile, ini), kDefaultUpdateServer);
  folder.Write("tv.ini", "[tarvolin]\r\nupdateserver = http://127.0.0.1:8080/tv \r\n");
  EXPECT_EQ(UpdateServerBase(profile, ini), "http://127.0.0.1:8080/tv/");
  EXPECT_EQ(folder.Read("tv.ini"), "[tarvolin]\r\nupdateserver = http://127.0.0.1:8080/tv \r\n");
}

class HttpClientTest : public ::testing::Test {
 protected:
  struct Result {
    bool called = false;
    bool ok = false;
    std::string body;
  };

  // Starts GETs of the urls and waits for all of them to report.
  std::vector<Result> GetAll(const std::vector<std::string>& urls, std::size_t maxBytes) {
    std::vector<Result> results(urls.size());
    for (std::size_t i = 0; i < urls.size(); ++i) {
      http_->Get(urls[i], 10000, maxBytes, [&results, i](bool ok, const std::string& body) {
        EXPECT_FALSE(results[i].called) << "reported twice";
        results[i] = {true, ok, body};
      });
    }
    // Nothing is reported from inside Get.
    for (const Result& result : results) {
      EXPECT_FALSE(result.called);
    }
    EXPECT_TRUE(PumpUntil(
        [&] {
          return std::all_of(results.begin(), results.end(), [](auto& r) { return r.called; });
        },
        kWaitMs));
    return results;
  }

  int argc_ = 1;
  char* argv_[1] = {const_cast<char*>("online_test")};
  QCoreApplication app_{argc_, argv_};
  testing::LoopbackHttpServer server_;
  std::unique_ptr<QtHttpClient> http_ = std::make_unique<QtHttpClient>();
};

TEST_F(HttpClientTest, AnAnswerUpToTheBoundArrivesWholeAnythingMoreFails) {
  const std::string body(1000, 'a');
  const std::size_t huge = 10 * 1024 * 1024;
  server_.Serve("/fits", {.body = body});
  server_.Serve("/over", {.body = body + "b"});
  server_.Serve("/huge", {.body = body, .repeatTo = huge});
  const std::string base = server_.BaseAddress();
  const auto results = GetAll({base + "fits", base + "over", base + "huge"}, 1000);
  EXPECT_TRUE(results[0].ok);
  EXPECT_EQ(results[0].body, body);
  for (const int i : {1, 2}) {
    EXPECT_FALSE(results[i].ok);
    EXPECT_EQ(results[i].body, "");
  }
  // The client left long before the end.
  EXPECT_TRUE(PumpUntil([&] { return server_.RequestsFor("/huge").at(0).clientLeft; }, kWaitMs));
}

TEST_F(HttpClientTest, UpToFiveRedirectsAreFollowed) {
  server_.Serve("/moved", {.status = 302, .body = "elsewhere", .location = "/here?a=1"});
  server_.Serve("/here", {.body = "0.9"});
  // A chain /r0 -> /r1 -> ... that never ends.
  for (int i = 0; i < 8; ++i) {
    server_.Serve("/r" + std::to_string(i),
                  {.status = 301, .body = "", .location = "r" + std::to_string(i + 1)});
  }
  const std::string base = server_.BaseAddress();
  const auto results = GetAll({base + "moved", base + "r0"}, 100);
  EXPECT_TRUE(results[0].ok);
  EXPECT_EQ(results[0].body, "0.9");
  ASSERT_FALSE(server_.RequestsFor("/here").empty());
  EXPECT_EQ(server_.RequestsFor("/here")[0].target, "/here?a=1");
  EXPECT_FALSE(results[1].ok);
  Pump(300);
  EXPECT_FALSE(server_.RequestsFor("/r5").empty());
  EXPECT_TRUE(server_.RequestsFor("/r6").empty());
}

TEST_F(HttpClientTest, AnAddressCannotEndTheRequestLineOrAddHeaders) {
  server_.Serve("/a b", {.body = "never"});
  server_.Serve("/x", {.body = "x"});
  const std::string base = server_.BaseAddress();
  const auto results =
      GetAll({base + "x?v=1\r\nX-Added: yes", base + "a b", base + "x#fragment"}, 100);
  EXPECT_TRUE(results[0].ok);
  EXPECT_FALSE(results[1].ok);  // asks for /a%20b, which is not served
  EXPECT_TRUE(results[2].ok);
  const auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 3u);
  std::set<std::string> targets;
  for (const auto& request : requests) {
    targets.insert(request.target);
    EXPECT_EQ(request.head.find("\r\nX-Added"), std::string::npos) << request.head;
    EXPECT_NE(request.head.find("Host: 127.0.0.1:" + std::to_string(server_.Port()) + "\r\n"),
              std::string::npos)
        << request.head;
  }
  EXPECT_EQ(targets, (std::set<std::string>{"/x?v=1%0D%0AX-Added:%20yes", "/a%20b", "/x"}));
}

TEST_F(HttpClientTest, AGoneClientReportsNothingItsTimeOutStillEndsTheWait) {
  server_.Serve("/stall", {.stall = true});
  bool reported = false;
  http_->Get(server_.BaseAddress() + "stall", 300, 100,
             [&](bool, const std::string&) { reported = true; });
  ASSERT_TRUE(PumpUntil([&] { return server_.Requests().size() == 1; }, kWaitMs));
  http_.reset();
  Pump(800);
  EXPECT_FALSE(reported);
  // The request's own thread gives the connection up at its time-out.
  EXPECT_TRUE(PumpUntil([&] { return server_.Requests().at(0).clientLeft; }, kWaitMs));
}

// https: a server on the loopback address with a certificate of its own,
// which this test, and only it, trusts.
TEST_F(HttpClientTest, HttpsAddressesWork) {
  testing::TempFolder folder;
  const std::string cert = folder / "cert.pem";
  const std::string key = folder / "key.pem";
  folder.Write("root/prog/Tarvolin/version.txt", "0.9");
  ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
                         "-addext subjectAltName=IP:127.0.0.1 -keyout " +
                         key + " -out " + cert + " 2>/dev/null")
                            .c_str()),
            0);
  QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
  trusting.addCaCertificates(QString::fromStdString(cert));
  QSslConfiguration::setDefaultConfiguration(trusting);
  QProcess server;
  server.setWorkingDirectory(QString::fromStdString(folder / "root"));
  server.start(
      "python3",
      {"-c",
       QString::fromStdString(
           "import http.server, ssl, sys\n"
           "s = http.server.HTTPServer(('127.0.0.1', 0), http.server.SimpleHTTPRequestHandler)\n"
           "c = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER); c.load_cert_chain('" +
           cert + "', '" + key +
           "')\ns.socket = c.wrap_socket(s.socket, server_side=True)\n"
           "print(s.server_address[1], flush=True)\ns.serve_forever()\n")});
  ASSERT_TRUE(server.waitForReadyRead(10000));
  const std::string port = server.readLine().trimmed().toStdString();
  const auto results = GetAll({"https://127.0.0.1:" + port + "/prog/Tarvolin/version.txt"}, 100);
  EXPECT_TRUE(results[0].ok);
  EXPECT_EQ(results[0].body, "0.9");
  server.kill();
  server.waitForFinished();
}

TEST(RedirectAllowedTest, StaysOnHttpAndNeverLeadsFromAPublicHostToALocalOne) {
  const QUrl publicHost("http://93.184.216.34/x");
  EXPECT_TRUE(RedirectAllowed(publicHost, QUrl("https://example.org/y")));
  EXPECT_TRUE(RedirectAllowed(QUrl("http://127.0.0.1/x"), QUrl("http://192.168.0.1:8/y")));
  for (const char* to :
       {"http://127.0.0.1/", "http://10.1.2.3/", "http://192.168.0.1/", "http://LocalHost/",
        "http://[::1]/", "http://169.254.1.1/", "ftp://example.org/", "file:///etc/passwd"}) {
    EXPECT_FALSE(RedirectAllowed(publicHost, QUrl(to))) << to;
  }
}

}  // namespace
}  // namespace tarvolin
