// The update check and the usage report against a real HTTP server on the
// loopback address, through the program's real HTTP client.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bar/form1_design.h"
#include "online/online_services.h"
#include "platform/net/socket_http.h"
#include "platform/posix/ini_store.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/qt/qt_ui_thread.h"
#include "platform/qt/qt_window.h"
#include "support/loopback_http_server.h"
#include "support/qt/test_app.h"
#include "support/recording_shell.h"
#include "support/temp_folder.h"

namespace tarvolin {
namespace {

using Answer = testing::LoopbackHttpServer::Answer;
using platform::MessageBoxAnswer;

constexpr char kVersionPath[] = "/prog/Tarvolin/version.txt";
constexpr char kReportPath[] = "/prog/statsupdate.asp";
constexpr int kWaitMs = 20000;

// A toolkit whose Yes/No box is answered by the test and never blocks.
class AnsweringToolkit : public platform::QtToolkit {
 public:
  MessageBoxAnswer MessageBoxYesNo(const std::string& text, const std::string& title) override {
    boxes.push_back({text, title});
    if (whileOpen) {
      whileOpen();  // what the event loop runs while the box waits
    }
    return answer;
  }

  std::vector<std::pair<std::string, std::string>> boxes;
  MessageBoxAnswer answer = MessageBoxAnswer::kNo;
  std::function<void()> whileOpen;
};

class OnlineTest : public ::testing::Test {
 protected:
  void SetUp() override { settings_.AutoUpdate = true; }

  // A fresh run of the program with this version.
  OnlineServices& Start(ProgramVersion version = kProgramVersion, int timeoutMs = 10000) {
    OnlineConfig config;
    config.baseAddress = server_.BaseAddress();
    config.version = version;
    config.timeoutMs = timeoutMs;
    bar_ = BarState{};
    ui_.boxes.clear();
    online_ = std::make_unique<OnlineServices>(http_, ui_, shell_, bar_, settings_, config);
    return *online_;
  }

  // One Timer2 tick, then the event loop until the update step is through
  // and the server is done with `more` new requests.
  void Tick(std::size_t more) {
    const std::size_t before = server_.Requests().size();
    online_->OnTimer2Tick();
    EXPECT_TRUE(testing::PumpUntil(
        [&] {
          const auto requests = server_.Requests();
          return !online_->Update().Pending() && requests.size() >= before + more &&
                 std::all_of(requests.begin(), requests.end(), [](auto& r) { return r.done; });
        },
        kWaitMs));
  }

  std::size_t VersionFetches() const { return server_.RequestsFor(kVersionPath).size(); }

  // The application comes before the Qt objects below.
  const bool app_ = (testing::EnsureApplication(), true);
  testing::LoopbackHttpServer server_;
  platform::QtUiThread uiThread_;
  platform::SocketHttpClient http_{uiThread_};
  AnsweringToolkit ui_;
  testing::RecordingShell shell_;
  BarState bar_;
  SettingsState settings_;
  std::unique_ptr<OnlineServices> online_;
};

TEST_F(OnlineTest, AHigherNumberIsOfferedOnceYesOpensTheDownloadPageNoDoesNot) {
  server_.Serve(kVersionPath, {.body = "0.88\r\nnew things\r\n"});
  for (MessageBoxAnswer answer : {MessageBoxAnswer::kYes, MessageBoxAnswer::kNo}) {
    shell_.calls.clear();
    ui_.answer = answer;
    Start({0, 8, 7});
    const std::size_t fetches = VersionFetches();

    Tick(2);
    Tick(0);
    Tick(0);

    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].first,
              "A new version of Tarvolin is available! Would you like to download the latest "
              "version now?");
    EXPECT_EQ(ui_.boxes[0].second, "Tarvolin");
    EXPECT_TRUE(bar_.UpdateChecked);
    EXPECT_EQ(VersionFetches(), fetches + 1);
    if (answer == MessageBoxAnswer::kYes) {
      ASSERT_EQ(shell_.calls.size(), 1u);
      EXPECT_EQ(shell_.calls[0].target, server_.BaseAddress() + "prog/download.html");
    } else {
      EXPECT_TRUE(shell_.calls.empty());
    }
  }
}

TEST_F(OnlineTest, OnlyTheLeadingNumberOfTheFileCountsAndOnlyAHigherOneIsOffered) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"0.87", false},   {"0.87\r\n", false}, {"0.86", false}, {"0.9abc", true},
      {" 1.0", true},    {"\t\n 0.88", true}, {"0.8 8", true}, {"8.8e-1", true},
      {"8.7E-1", false}, {"abc", false},      {"", false},     {"+0.871\r\n", true},
  };
  for (const auto& [body, offered] : cases) {
    SCOPED_TRACE("version file \"" + body + "\"");
    server_.Serve(kVersionPath, {.body = body});
    Start({0, 8, 7});
    Tick(2);
    EXPECT_EQ(ui_.boxes.size(), offered ? 1u : 0u);
    EXPECT_TRUE(bar_.UpdateChecked);
  }
}

TEST_F(OnlineTest, TheProgramsOwnNumberIsTheDecimalItsPartsStandFor) {
  // 0, 3, 3 summed in floating point falls just below 0.33, which would offer
  // this very release; 0, 12, 0 runs into the next place and is 1.2.
  struct Case {
    ProgramVersion version;
    std::string body;
    bool offered;
  };
  const std::vector<Case> cases = {
      {{0, 3, 3}, "0.33", false}, {{0, 3, 3}, "0.34", true},  {{0, 6, 7}, "0.67", false},
      {{0, 12, 0}, "1.2", false}, {{0, 12, 0}, "1.21", true}, {{1, 0, 0}, "0.99", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    server_.Serve(kVersionPath, {.body = c.body});
    Start(c.version);
    Tick(2);
    EXPECT_EQ(ui_.boxes.size(), c.offered ? 1u : 0u);
  }
}

TEST_F(OnlineTest, AnErrorOrAnAnswerOverTheBoundOffersNothingAndIsNotRetried) {
  const std::string start = "9.99\r\n";
  const std::string block = start + std::string(64 * 1024 - start.size(), 'x');
  const std::size_t huge = 10 * 1024 * 1024;
  const std::vector<Answer> answers = {
      // An error page whose text starts with a high number is still an error.
      {.status = 500, .body = "9.99 server error"},
      {.body = block, .repeatTo = huge, .sendLength = false},
      {.body = block, .repeatTo = huge, .sendLength = true},
  };
  for (const Answer& answer : answers) {
    SCOPED_TRACE(answer.status);
    server_.Serve(kVersionPath, answer);
    Start();
    const std::size_t fetches = VersionFetches();
    Tick(2);
    Tick(0);
    EXPECT_TRUE(ui_.boxes.empty());
    EXPECT_TRUE(bar_.UpdateChecked);
    ASSERT_EQ(VersionFetches(), fetches + 1);
    if (answer.repeatTo > 0) {
      // The client stopped reading and left long before the end.
      const auto fetch = server_.RequestsFor(kVersionPath).back();
      EXPECT_TRUE(fetch.clientLeft);
      EXPECT_LT(fetch.bodyBytesSent, huge);
    }
  }
}

TEST_F(OnlineTest, AServerThatNeverAnswersLeavesTheBarWorkingUntilTheTimeOut) {
  Answer stall;
  stall.stall = true;
  server_.Serve(kVersionPath, stall);
  Start(kProgramVersion, 1500);
  std::unique_ptr<platform::Window> window = ui_.CreateForm(Form1Design());
  window->Show();
  auto* edit = dynamic_cast<platform::QtWindow&>(*window).Widget()->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);

  online_->OnTimer2Tick();
  EXPECT_TRUE(online_->Update().Pending());
  ASSERT_TRUE(testing::PumpUntil([&] { return VersionFetches() == 1; }, kWaitMs));

  // Keys reach the box while the server keeps silent.
  for (char key : std::string("run")) {
    QCoreApplication::postEvent(edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_A + (key - 'a'),
                                                    Qt::NoModifier, QString(QChar(key))));
  }
  EXPECT_TRUE(testing::PumpUntil([&] { return edit->text() == "run"; }, kWaitMs));
  EXPECT_FALSE(bar_.UpdateChecked);
  EXPECT_FALSE(server_.RequestsFor(kVersionPath).at(0).done);

  // Ticks while the request is out start no second one.
  online_->OnTimer2Tick();
  online_->OnTimer2Tick();
  ASSERT_TRUE(testing::PumpUntil([&] { return bar_.UpdateChecked; }, kWaitMs));
  EXPECT_TRUE(ui_.boxes.empty());
  EXPECT_EQ(VersionFetches(), 1u);
  EXPECT_TRUE(testing::PumpUntil([&] { return server_.RequestsFor(kVersionPath).at(0).clientLeft; },
                                 kWaitMs));
}

TEST_F(OnlineTest, TicksWhileTheOfferIsOpenStartNothing) {
  server_.Serve(kVersionPath, {.body = "0.88"});
  Start({0, 8, 7});
  ui_.whileOpen = [&] {
    online_->OnTimer2Tick();
    online_->OnTimer2Tick();
    testing::Pump(300);
    EXPECT_FALSE(bar_.UpdateChecked);
  };
  Tick(2);
  EXPECT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(VersionFetches(), 1u);
  EXPECT_TRUE(bar_.UpdateChecked);
}

TEST_F(OnlineTest, WithAutoUpdateOffOnlyTheReportGoesOutUntilItIsSwitchedOn) {
  server_.Serve(kVersionPath, {.body = "0.88"});
  settings_.AutoUpdate = false;
  Start({0, 8, 7});
  Tick(1);
  Tick(0);
  EXPECT_EQ(VersionFetches(), 0u);
  EXPECT_FALSE(bar_.UpdateChecked);
  EXPECT_TRUE(bar_.UsageReportSent);

  settings_.AutoUpdate = true;
  Tick(1);
  EXPECT_EQ(VersionFetches(), 1u);
  EXPECT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(server_.RequestsFor(kReportPath).size(), 1u);
}

TEST_F(OnlineTest, TheReportNamesAddressProductAndVersionUnescapedOncePerRun) {
  struct Case {
    ProgramVersion version;
    bool beta;
    std::string value;
  };
  const std::vector<Case> cases = {
      {{0, 8, 7}, true, "0.87BETA"},
      {{0, 8, 7}, false, "0.87"},
      {{0, 12, 5}, false, "0.125"},
  };
  settings_.AutoUpdate = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Start(c.version);
    bar_.IsBeta = c.beta;
    const std::size_t before = server_.Requests().size();
    Tick(1);
    Tick(0);
    Tick(0);
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), before + 1);
    EXPECT_EQ(requests.back().line,
              "GET /prog/statsupdate.asp?pass=pushstats&ip=" + http_.LocalIPv4Address() +
                  "&prog_name=Tarvolin&Version=" + c.value + " HTTP/1.1");
  }
}

TEST(UpdateServerBaseTest, TheSettingsFileNamesTheServerElseTheBuiltInDefaultIsUsed) {
  testing::TempFolder folder;
  platform::IniStore profile;
  const std::string ini = folder / "tv.ini";
  EXPECT_EQ(UpdateServerBase(profile, ini), kDefaultUpdateServer);

  folder.Write("tv.ini", "[Other]\r\nUpdateServer=http://x/\r\n[Tarvolin]\r\nUpdateServer=\r\n");
  EXPECT_EQ(UpdateServerBase(profile, ini), kDefaultUpdateServer);

  folder.Write("tv.ini", "[tarvolin]\r\nupdateserver = http://127.0.0.1:8080/tv/ \r\n");
  EXPECT_EQ(UpdateServerBase(profile, ini), "http://127.0.0.1:8080/tv/");
  // The final "/" is added, and the file is only read.
  folder.Write("tv.ini", "[Tarvolin]\r\nUpdateServer=http://127.0.0.1:8080\r\n");
  EXPECT_EQ(UpdateServerBase(profile, ini), "http://127.0.0.1:8080/");
  EXPECT_EQ(folder.Read("tv.ini"), "[Tarvolin]\r\nUpdateServer=http://127.0.0.1:8080\r\n");
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
    EXPECT_TRUE(testing::PumpUntil(
        [&] {
          return std::all_of(results.begin(), results.end(), [](auto& r) { return r.called; });
        },
        kWaitMs));
    return results;
  }

  const bool app_ = (testing::EnsureApplication(), true);
  testing::LoopbackHttpServer server_;
  platform::QtUiThread uiThread_;
  std::unique_ptr<platform::SocketHttpClient> http_ =
      std::make_unique<platform::SocketHttpClient>(uiThread_);
};

TEST_F(HttpClientTest, AnAnswerUpToTheBoundArrivesWholeOneByteMoreFails) {
  const std::string body(1000, 'a');
  server_.Serve("/fits", {.body = body});
  server_.Serve("/fits-unannounced", {.body = body, .sendLength = false});
  server_.Serve("/over", {.body = body + "b"});
  server_.Serve("/over-unannounced", {.body = body + "b", .sendLength = false});
  const std::string base = server_.BaseAddress();
  const auto results = GetAll(
      {base + "fits", base + "fits-unannounced", base + "over", base + "over-unannounced"}, 1000);
  for (int i : {0, 1}) {
    EXPECT_TRUE(results[i].ok);
    EXPECT_EQ(results[i].body, body);
  }
  for (int i : {2, 3}) {
    EXPECT_FALSE(results[i].ok);
    EXPECT_EQ(results[i].body, "");
  }
}

TEST_F(HttpClientTest, ChunkedAnswersAreJoinedAndHeldToTheSameBound) {
  Answer fits{.body = std::string(100, 'c'), .repeatTo = 1000, .chunked = true};
  Answer over = fits;
  over.repeatTo = 1001;
  Answer empty{.body = "", .chunked = true};
  server_.Serve("/fits", fits);
  server_.Serve("/over", over);
  server_.Serve("/empty", empty);
  const std::string base = server_.BaseAddress();
  const auto results = GetAll({base + "fits", base + "over", base + "empty"}, 1000);
  EXPECT_TRUE(results[0].ok);
  EXPECT_EQ(results[0].body, std::string(1000, 'c'));
  EXPECT_FALSE(results[1].ok);
  EXPECT_EQ(results[1].body, "");
  EXPECT_TRUE(results[2].ok);
  EXPECT_EQ(results[2].body, "");
}

TEST_F(HttpClientTest, RedirectsAreFollowedALoopIsGivenUp) {
  server_.Serve("/moved", {.status = 302, .body = "elsewhere", .location = "/here?a=1"});
  server_.Serve("/here", {.body = "0.9"});
  server_.Serve("/loop", {.status = 301, .body = "", .location = "loop"});
  const std::string base = server_.BaseAddress();
  const auto results = GetAll({base + "moved", base + "loop"}, 100);
  EXPECT_TRUE(results[0].ok);
  EXPECT_EQ(results[0].body, "0.9");
  ASSERT_EQ(server_.RequestsFor("/here").size(), 1u);
  EXPECT_EQ(server_.RequestsFor("/here")[0].target, "/here?a=1");
  EXPECT_FALSE(results[1].ok);
  EXPECT_EQ(server_.RequestsFor("/loop").size(), 6u);  // the request and five redirects
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
  ASSERT_TRUE(testing::PumpUntil([&] { return server_.Requests().size() == 1; }, kWaitMs));
  http_.reset();
  testing::Pump(800);
  EXPECT_FALSE(reported);
  // The request's own thread gives the connection up at its time-out.
  EXPECT_TRUE(testing::PumpUntil([&] { return server_.Requests().at(0).clientLeft; }, kWaitMs));
}

TEST_F(HttpClientTest, AddressesThatCannotBeFetchedRequestNothingAndFailLater) {
  const std::string port = std::to_string(server_.Port());
  const auto results = GetAll({"", "ftp://127.0.0.1:" + port + "/x", "127.0.0.1:" + port + "/x",
                               "http://", "https://127.0.0.1:" + port + "/x",
                               "http://127.0.0.1:0/x", "http://127.0.0.1:99999/x", "http://[::1/x"},
                              100);
  for (const Result& result : results) {
    EXPECT_FALSE(result.ok);
  }
  testing::Pump(200);
  EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(HttpClientTest, TheLocalAddressIsAnUpNonLoopbackIPv4AddressOrLoopback) {
  std::set<std::string> candidates;
  ifaddrs* list = nullptr;
  ASSERT_EQ(::getifaddrs(&list), 0);
  for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    const unsigned wanted = IFF_UP | IFF_RUNNING;
    if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET &&
        (entry->ifa_flags & (wanted | IFF_LOOPBACK)) == wanted) {
      char text[INET_ADDRSTRLEN] = {};
      ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(entry->ifa_addr)->sin_addr, text,
                  sizeof text);
      candidates.insert(text);
    }
  }
  ::freeifaddrs(list);
  const std::string address = http_->LocalIPv4Address();
  if (candidates.empty()) {
    EXPECT_EQ(address, "127.0.0.1");
  } else {
    EXPECT_EQ(candidates.count(address), 1u) << address;
  }
}

}  // namespace
}  // namespace tarvolin
