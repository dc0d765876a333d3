#include "support/loopback_http_server.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <stdexcept>

namespace tarvolin::testing {

namespace {

QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer() {
  process_.start("python3", {QStringLiteral(TARVOLIN_TEST_SUPPORT "/loopback_http_server.py"),
                             folder_.filePath("answers.json"), folder_.filePath("log")});
  if (!process_.waitForReadyRead(10000)) {
    throw std::runtime_error("the test server did not start");
  }
  port_ = process_.readLine().trimmed().toInt();
}

LoopbackHttpServer::~LoopbackHttpServer() {
  process_.kill();
  process_.waitForFinished();
}

void LoopbackHttpServer::Serve(const std::string& path, const Answer& answer) {
  QFile file(folder_.filePath("answers.json"));
  QJsonObject answers;
  if (file.open(QIODevice::ReadOnly)) {
    answers = QJsonDocument::fromJson(file.readAll()).object();
  }
  answers[Latin1(path)] = QJsonObject{{"status", answer.status},
                                      {"body", Latin1(answer.body)},
                                      {"repeatTo", static_cast<qint64>(answer.repeatTo)},
                                      {"location", Latin1(answer.location)},
                                      {"stall", answer.stall}};
  // Written whole and renamed, so the server never reads half a file.
  QFile next(folder_.filePath("answers.json.new"));
  next.open(QIODevice::WriteOnly);
  next.write(QJsonDocument(answers).toJson());
  next.close();
  QFile::remove(folder_.filePath("answers.json"));
  QFile::rename(next.fileName(), folder_.filePath("answers.json"));
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::Requests() const {
  QFile log(folder_.filePath("log"));
  log.open(QIODevice::ReadOnly);
  std::vector<Request> requests;
  std::map<qint64, std::size_t> byId;
  while (!log.atEnd()) {
    const QJsonObject record = QJsonDocument::fromJson(log.readLine()).object();
    const qint64 id = record["id"].toInteger();
    if (record.contains("line")) {
      byId[id] = requests.size();
      requests.push_back({record["line"].toString().toStdString(),
                          record["target"].toString().toStdString(),
                          record["head"].toString().toStdString()});
    } else if (byId.count(id) != 0) {
      requests[byId[id]].clientLeft = record["clientLeft"].toBool();
      requests[byId[id]].done = true;
    }
  }
  return requests;
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::RequestsFor(
    const std::string& path) const {
  std::vector<Request> matching;
  for (const Request& request : Requests()) {
    if (request.target.substr(0, request.target.find('?')) == path) {
      matching.push_back(request);
    }
  }
  return matching;
}

}  // namespace tarvolin::testing
