#pragma once
// Shared pieces of the worker tests: a WorkerHost that records every call (and counts calls
// made off the main thread), a scripted HTTP peer in a child process, a helper that answers
// the pass-phrase prompt when it shows, and the fixture that puts them together.
#include <QApplication>
#include <QDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStringList>
#include <QTcpServer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/balance_worker.h"
#include "net/http_client.h"
#include "net/worker_host.h"
#include "ui/ask_passphrase_dialog.h"

namespace nummora::test {

struct RecordedNotice {
  NotifyKind kind;
  std::string title;
  bool asDialog;
  std::string text;
};

struct RecordedEvent {
  std::string header;
  std::string body;
};

// Applies what the workers report to its own model, as the main window does, and records it.
class FakeWorkerHost : public QObject, public WorkerHost {
 public:
  FakeWorkerHost()
      : WorkerHost(prompt_), regional_(UsEnglishFormatSettings()), number_(MakeNumberFormat(regional_)) {}

  QObject* LifetimeObject() override { return this; }
  const ProfileModel& Model() const override {
    Called();
    return model;
  }
  FormatSettings NumberFormat() const override { return number_; }
  FormatSettings Regional() const override { return regional_; }
  TDateTime Now() const override { return now; }
  HttpOptions TransportOptions() const override {
    HttpOptions options;
    options.CAFile = caFile;
    options.ConnectTimeout = std::chrono::milliseconds(5000);
    options.IdleTimeout = std::chrono::milliseconds(10000);
    return options;
  }
  MetalAmounts CurrentRates() const override {
    Called();
    return rates;
  }
  void Notify(NotifyKind kind, const std::string& title, bool asDialog, const std::string& text) override {
    Called();
    notices.push_back({kind, title, asDialog, text});
  }
  void AddEvent(const std::string& header, const std::string& body) override {
    Called();
    events.push_back({header, body});
  }
  void AddEventLine(const std::string& line) override {
    Called();
    lines.push_back(line);
  }
  void KeepPassPhrase(int position, const std::string& passPhrase) override {
    Called();
    if (model.IsValidPosition(position)) model.Account(position).Password = passPhrase;
  }
  void StoreBalances(int position, const AccountBalances& balances) override {
    Called();
    balanceStores.push_back(position);
    if (model.IsValidPosition(position)) nummora::StoreBalances(balances, model.Account(position));
  }
  void StoreStatus(int position, uint8_t status, std::optional<TDateTime> updated) override {
    Called();
    statusStores.push_back(position);
    if (!model.IsValidPosition(position)) return;
    model.Account(position).Status = status;
    if (updated) model.Account(position).Updated = *updated;
  }
  void EndRefresh(int position) override {
    Called();
    ended.push_back(position);
    if (model.IsValidPosition(position)) model.Account(position).Refreshing = false;
  }
  void FetchRecentPayments(int position) override {
    Called();
    fetched.push_back(position);
  }
  void StoreRates(const std::string& answer, TDateTime received) override {
    Called();
    model.RatesText = answer;
    model.RatesTime = received;
  }
  void RatesChanged() override {
    Called();
    ++ratesChanged;
  }
  QWidget* DialogParent() override { return nullptr; }
  AskOutcome AskPassPhrase(AccountRecord& account) override {
    Called();
    ++asked;
    return WorkerHost::AskPassPhrase(account);
  }

  // Every text the events list received, for searching.
  std::string AllEventText() const {
    std::string all;
    for (const auto& e : events) all += e.header + "\n" + e.body + "\n";
    for (const auto& l : lines) all += l + "\n";
    return all;
  }

  ProfileModel model;
  std::string caFile;  // extra CA certificates for HTTPS peers
  MetalAmounts rates{};
  TDateTime now = 45000.5;  // 3 March 2023 12:00
  std::vector<RecordedNotice> notices;
  std::vector<RecordedEvent> events;
  std::vector<std::string> lines;
  std::vector<int> balanceStores;  // positions whose balances were stored
  std::vector<int> statusStores;   // positions whose Status (and Updated) were stored
  std::vector<int> ended;
  std::vector<int> fetched;
  int ratesChanged = 0;
  int asked = 0;
  // Calls that arrived on a thread other than the main thread; must stay 0.
  mutable int offThreadCalls = 0;

 private:
  void Called() const {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) ++offThreadCalls;
  }

  FormatSettings regional_;
  FormatSettings number_;
  DialogPassphrasePrompt prompt_{nullptr};  // the real prompt: tests answer its dialog
};

// tests/gui/peers/scripted_peer.py in a child process, stopped when this object goes.
class ScriptedPeer {
 public:
  ScriptedPeer() {
    process_.setProgram(QStringLiteral("python3"));
    process_.setArguments({QStringLiteral(NUMMORA_SOURCE_DIR "/tests/gui/peers/scripted_peer.py")});
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start();
    if (!process_.waitForStarted(15000)) return;
    QByteArray out;
    while (!out.contains('\n') && process_.waitForReadyRead(15000)) out += process_.readAllStandardOutput();
    if (out.startsWith("PORT ")) port_ = out.mid(5).trimmed().toInt();
  }
  ~ScriptedPeer() {
    process_.closeWriteChannel();
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  bool Ok() const { return port_ > 0; }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // Points every server of the program's configuration (the environment overrides) at this peer.
  void ServeAllServers() const {
    const QByteArray base = QByteArray::fromStdString(Base());
    qputenv("NUMMORA_EGOLD_SECURE", base);
    qputenv("NUMMORA_EGOLD_PLAIN", base);
    qputenv("NUMMORA_LIBERTY_RESERVE", base);
    qputenv("NUMMORA_PLAIN_HTTP_ON_LOOPBACK", "1");  // this peer speaks plain HTTP on loopback
  }

  // Queues the answer to the next request.
  void Answer(const std::string& body, int status = 200, const QJsonObject& headers = {}, double delay = 0,
              const QString& reason = QString()) {
    QJsonObject answer{{"status", status},
                       {"body", QString::fromLatin1(body.data(), qsizetype(body.size()))}};
    if (!headers.isEmpty()) answer.insert("headers", headers);
    if (delay > 0) answer.insert("delay", delay);
    if (!reason.isEmpty()) answer.insert("reason", reason);
    Control("/_control/queue", QJsonDocument(answer).toJson(QJsonDocument::Compact).toStdString());
  }

  // Forgets the queued answers and the recorded requests.
  void Reset() { Control("/_control/reset", ""); }

  struct Request {
    std::string method, path, contentType, body;
  };
  std::vector<Request> Requests() {
    HttpClient client;
    const HttpResult result = client.Get(Base() + "/_control/requests");
    std::vector<Request> list;
    for (const QJsonValue& v : QJsonDocument::fromJson(QByteArray::fromStdString(result.Body)).array()) {
      const QJsonObject o = v.toObject();
      list.push_back({o["method"].toString().toStdString(), o["path"].toString().toStdString(),
                      o["content_type"].toString().toStdString(),
                      o["body"].toString().toLatin1().toStdString()});
    }
    return list;
  }

 private:
  void Control(const std::string& path, const std::string& body) {
    HttpClient client;
    client.Post(Base() + path, body);
  }

  QProcess process_;
  int port_ = 0;
};

// A loopback address where nothing listens: a free port is taken and given back at once.
inline std::string ClosedPortBase() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  const quint16 port = probe.serverPort();
  probe.close();
  return "http://127.0.0.1:" + std::to_string(port);
}

// Answers the next `typed.size()` pass-phrase prompts: types the text into ePasswd and presses
// OK, or, for an entry equal to "<escape>", closes the prompt with Escape. Records the account
// captions the prompts showed.
class PromptAnswerer : public QObject {
 public:
  explicit PromptAnswerer(QStringList typed) : typed_(std::move(typed)) {
    timer_.setInterval(20);
    connect(&timer_, &QTimer::timeout, this, &PromptAnswerer::Poll);
    timer_.start();
  }
  int Answered() const { return answered_; }
  const QStringList& Captions() const { return captions_; }
  // Showings whose field was not empty when the prompt came up.
  int DirtyFields() const { return dirtyFields_; }

 private:
  void Poll() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || dialog->objectName() != QLatin1String("TfAsk") || !dialog->isVisible()) return;
    if (answered_ >= typed_.size()) {
      dialog->reject();
      return;
    }
    const QString text = typed_.at(answered_++);
    if (auto* name = dialog->findChild<QLabel*>(QStringLiteral("lName"))) captions_ << name->text();
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("ePasswd"));
    if (text == QLatin1String("<escape>")) {
      QTest::keyClick(dialog, Qt::Key_Escape);
      return;
    }
    // The field must come up empty on every showing.
    if (field && !field->text().isEmpty()) ++dirtyFields_;
    if (field) field->setText(text);
    if (auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("bOK"))) ok->click();
  }

  QStringList typed_;
  QStringList captions_;
  QTimer timer_;
  int answered_ = 0;
  int dirtyFields_ = 0;
};

// The fixture the worker tests share: a fresh FakeWorkerHost for every test function, checked
// when the function ends, and the scripted peer, started once for the test program and emptied
// before every function. A test class derives from it and calls these from the Qt Test slots of
// the same purpose (initTestCase, cleanupTestCase, init, cleanup).
class WorkerTestBench {
 protected:
  void StartPeer() {
    peer_ = std::make_unique<ScriptedPeer>();
    QVERIFY2(peer_->Ok(), "the scripted peer did not start");
  }
  void StopPeer() { peer_.reset(); }
  // A fresh host; the peer (when there is one) forgets its answers and requests.
  void BeginTest() {
    if (peer_) peer_->Reset();
    host_ = std::make_unique<FakeWorkerHost>();
  }
  // Every host call came on the main thread, and no events-list text shows a pass phrase or
  // security word (the tests' secrets all begin with "secret-").
  void EndTest() {
    if (host_) {
      QCOMPARE(host_->offThreadCalls, 0);
      QVERIFY(host_->AllEventText().find("secret-") == std::string::npos);
    }
    host_.reset();
  }

  // RequestBalance's part: mark the entry, start the worker, and wait until the refresh is over.
  void Refresh(int position, const std::string& base, int timeoutMs = 20000) {
    host_->model.Account(position).Refreshing = true;
    QPointer<BalanceWorker> worker = StartBalanceRefresh(host_.get(), position, base);
    QTRY_VERIFY_WITH_TIMEOUT(worker.isNull(), timeoutMs);
    QVERIFY(!host_->model.Account(position).Refreshing);
  }

  std::unique_ptr<FakeWorkerHost> host_;
  std::unique_ptr<ScriptedPeer> peer_;
};

}  // namespace nummora::test
