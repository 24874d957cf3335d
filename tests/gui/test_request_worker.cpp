// RequestWorker against a scripted local HTTP peer: what goes on the wire, what the events list and the
// notices show, the Status derived from the answer, the pass-phrase prompt, and the lifetime
// rules (owner gone, worker released, host gone). Every host call must arrive on the main thread.
#include <QPointer>
#include <QtTest>
#include <memory>

#include "net/request_worker.h"
#include "support/qt_test_main.h"
#include "support/worker_test_support.h"

using namespace nummora;
using nummora::test::PromptAnswerer;

namespace {

AccountRecord MakeAccount(int32_t type, const std::string& id, const std::string& password) {
  AccountRecord a;
  a.Type = static_cast<AccountType>(type);
  a.ID = id;
  a.Name = "Main";
  a.Password = password;
  return a;
}

// Holds the results a completion routine saw.
struct Seen {
  int calls = 0;
  bool succeeded = false;
  std::string response;
  bool onMainThread = false;
};

RequestWorker::Completion Recorder(Seen& seen) {
  return [&seen](RequestWorker& worker) {
    ++seen.calls;
    seen.succeeded = worker.Succeeded();
    seen.response = worker.Response();
    seen.onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
  };
}

}  // namespace

class TestSockWorker : public QObject, nummora::test::WorkerTestBench {
  Q_OBJECT

  int Position(const AccountRecord& account) { return host_->model.AppendAccount(account); }

 private slots:
  void initTestCase() { StartPeer(); }
  void cleanupTestCase() { StopPeer(); }
  void init() { BeginTest(); }
  void cleanup() { EndTest(); }

  void postsEncodedFormAndLogsWithoutSecrets() {
    const int position = Position(MakeAccount(0, "1234567", "secret-phrase"));
    host_->model.Account(position).Status = 3;
    const std::string answer("<html>\xE9t\xE9\r\n</html>", 17);
    peer_->Answer(answer);

    Seen seen;
    QObject owner;
    RequestWorkerPtr worker = MakeRequestWorker(host_.get());
    const std::string url = peer_->Base() + "/acct/verify.asp";
    QVERIFY(worker->Start(url, host_->model.Account(position), "a=1\r\nb=x y\nPassPhrase=secret-phrase",
                          &owner, Recorder(seen), true));
    QTRY_COMPARE(seen.calls, 1);

    QVERIFY(seen.onMainThread);
    QVERIFY(seen.succeeded);
    QCOMPARE(seen.response, answer);  // byte for byte, no character-set conversion
    const auto requests = peer_->Requests();
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(requests[0].method, std::string("POST"));
    QCOMPARE(requests[0].path, std::string("/acct/verify.asp"));
    QCOMPARE(requests[0].contentType, std::string("application/x-www-form-urlencoded"));
    QCOMPARE(requests[0].body, std::string("a=1&b=x%20y&PassPhrase=secret-phrase"));

    // Start: the URL and the form lines; run: the URL before and after the exchange.
    QCOMPARE(host_->events.size(), size_t(4));
    for (const auto& e : host_->events) QVERIFY2(e.header.ends_with(": <1234567>"), e.header.c_str());
    QCOMPARE(host_->events[0].body, url + " - 0 bytes");
    QCOMPARE(host_->events[1].body, std::string("a=1\r\nb=x y\r\nPassPhrase=********\r\n - 0 bytes"));
    QCOMPARE(host_->events[2].body, url + " - 0 bytes");
    QCOMPARE(host_->events[3].body, url + " - 17 bytes");
    QVERIFY(host_->AllEventText().find("secret-phrase") == std::string::npos);
    QVERIFY(host_->notices.empty());
    QCOMPARE(host_->asked, 1);  // asked, and found known
    QCOMPARE(int(host_->model.Account(position).Status), 0);
  }

  void emptyFormPostsEmptyBodyWithoutAccount() {
    const int position = Position(MakeAccount(0, "1234567", "secret-phrase"));
    host_->model.Account(position).Status = 3;
    Seen seen;
    QObject owner;
    RequestWorkerPtr worker = MakeRequestWorker(host_.get());
    QVERIFY(worker->StartSimple(peer_->Base() + "/services/proxies.php", "", &owner, Recorder(seen)));
    QTRY_COMPARE(seen.calls, 1);
    const auto requests = peer_->Requests();
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(requests[0].body, std::string());
    QCOMPARE(requests[0].contentType, std::string("application/x-www-form-urlencoded"));
    QCOMPARE(host_->asked, 0);
    for (const auto& e : host_->events) QVERIFY2(e.header.ends_with(": <>"), e.header.c_str());
    QCOMPARE(int(host_->model.Account(position).Status), 3);  // no account: no Status write
  }

  void transportFailures_data() {
    QTest::addColumn<bool>("closedPort");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("redirect") << false << 302 << QByteArray("HTTP/1.1 302 Found");
    QTest::newRow("server error") << false << 500 << QByteArray("HTTP/1.1 500 Internal Server Error");
    QTest::newRow("nothing listens") << true << 0 << QByteArray();
  }
  void transportFailures() {
    QFETCH(bool, closedPort);
    QFETCH(int, status);
    QFETCH(QByteArray, message);
    const int position = Position(MakeAccount(1, "U1234567", "secret-phrase"));
    host_->model.Account(position).Status = 3;
    std::string base = peer_->Base();
    if (closedPort)
      base = nummora::test::ClosedPortBase();
    else
      peer_->Answer("<Error>moved</Error>", status, QJsonObject{{"Location", "/elsewhere"}});

    Seen seen;
    QObject owner;
    RequestWorkerPtr worker = MakeRequestWorker(host_.get());
    QVERIFY(worker->Start(base + "/xml/balance.aspx", host_->model.Account(position), "req=1", &owner,
                          Recorder(seen), true));
    QTRY_COMPARE(seen.calls, 1);
    QVERIFY(!seen.succeeded);
    QCOMPARE(seen.response, std::string());
    if (!closedPort) QCOMPARE(peer_->Requests().size(), size_t(1));  // the redirect was not followed

    QCOMPARE(host_->notices.size(), size_t(1));
    const auto& notice = host_->notices[0];
    QCOMPARE(notice.kind, NotifyKind::Warning);
    QCOMPARE(notice.title, std::string("Connection problem!"));
    QVERIFY(!notice.asDialog);
    QVERIFY(!notice.text.empty());
    if (!message.isEmpty()) QCOMPARE(notice.text, message.toStdString());
    // The failure shows its message in two entries: the one of the failure and the last one.
    QCOMPARE(host_->events.size(), size_t(5));
    QCOMPARE(host_->events[3].body, notice.text + " - 0 bytes");
    QCOMPARE(host_->events[4].body, notice.text + " - 0 bytes");
    // An empty answer holds no error block: the status goes back to 0.
    QCOMPARE(int(host_->model.Account(position).Status), 0);
  }

  void promptEnteredStoresPassPhrase() {
    const int position = Position(MakeAccount(0, "1234567", "12345"));
    Seen seen;
    QObject owner;
    PromptAnswerer answerer({"abc", "secret6"});
    RequestWorkerPtr worker = MakeRequestWorker(host_.get());
    QVERIFY(worker->Start(peer_->Base() + "/acct/verify.asp", host_->model.Account(position), "a=1", &owner,
                          Recorder(seen), true));
    QCOMPARE(answerer.Answered(), 2);  // three characters are refused, the prompt comes again
    QCOMPARE(answerer.Captions(), QStringList({"Main (1234567):", "Main (1234567):"}));
    QCOMPARE(answerer.DirtyFields(), 0);
    QCOMPARE(host_->model.Account(position).Password, std::string("secret6"));
    QTRY_COMPARE(seen.calls, 1);
    QCOMPARE(peer_->Requests().size(), size_t(1));
  }

  void promptCancelledSendsNothing_data() {
    QTest::addColumn<QStringList>("typed");
    QTest::newRow("five characters three times") << QStringList{"abcde", "abcde", "abcde"};
    QTest::newRow("escape three times") << QStringList{"<escape>", "<escape>", "<escape>"};
  }
  void promptCancelledSendsNothing() {
    QFETCH(QStringList, typed);
    const int position = Position(MakeAccount(0, "1234567", "12345"));
    Seen seen;
    QObject owner;
    PromptAnswerer answerer(typed);
    QPointer<RequestWorker> watch;
    {
      RequestWorkerPtr worker = MakeRequestWorker(host_.get());
      watch = worker.get();
      QVERIFY(!worker->Start(peer_->Base() + "/acct/verify.asp", host_->model.Account(position), "a=1",
                             &owner, Recorder(seen), true));
      QVERIFY(!worker->Started());
    }
    QVERIFY(watch.isNull());  // a worker that never ran is deleted at once
    QCOMPARE(answerer.Answered(), 3);
    // The worker was never run, and is gone: nothing can come later.
    QCOMPARE(seen.calls, 0);
    QVERIFY(peer_->Requests().empty());
    QVERIFY(host_->events.empty());
    QCOMPARE(host_->model.Account(position).Password, std::string("12345"));
  }

  void destroyedOwnerGetsNoCompletion() {
    Seen seen;
    RequestWorkerPtr worker = MakeRequestWorker(host_.get());
    {
      QObject owner;
      QVERIFY(worker->StartSimple(peer_->Base() + "/x", "", &owner, Recorder(seen)));
    }
    QTRY_VERIFY(worker->Done());
    QCOMPARE(seen.calls, 0);
    QVERIFY(worker->Succeeded());  // the run itself went on
  }

  void releasedWorkerEndsAndDeletesItself() {
    peer_->Answer("late", 200, {}, 0.3);
    Seen seen;
    QObject owner;
    RequestWorkerPtr worker = MakeRequestWorker(host_.get());
    QPointer<RequestWorker> watch = worker.get();
    QVERIFY(worker->StartSimple(peer_->Base() + "/x", "", &owner, Recorder(seen)));
    worker.reset();  // the owner replaces or drops its request while it runs
    QVERIFY(!watch.isNull());
    QTRY_VERIFY(watch.isNull());
    QCOMPARE(seen.calls, 0);
    QCOMPARE(host_->events.size(), size_t(4));  // the run still reported to the events list
  }

  void completionMayReleaseItsOwnWorker() {
    RequestWorkerPtr worker = MakeRequestWorker(host_.get());
    QPointer<RequestWorker> watch = worker.get();
    bool called = false;
    QVERIFY(worker->StartSimple(peer_->Base() + "/x", "", host_.get(), [&](RequestWorker& w) {
      called = true;
      QVERIFY(w.Succeeded());
      worker.reset();  // the owner starts over from inside its completion
    }));
    QTRY_VERIFY(called);
    QTRY_VERIFY(watch.isNull());
  }

  void hostDestroyedWhileRunning() {
    peer_->Answer("late", 200, {}, 0.4);
    Seen seen;
    QObject owner;
    RequestWorkerPtr worker = MakeRequestWorker(host_.get());
    QVERIFY(worker->StartSimple(peer_->Base() + "/x", "", &owner, Recorder(seen)));
    QCOMPARE(host_->offThreadCalls, 0);
    host_.reset();  // the main window closes while the answer is on its way
    QTRY_COMPARE(seen.calls, 1);
    QVERIFY(seen.succeeded);
    QCOMPARE(seen.response, std::string("late"));
  }

  void stopRequestDoesNotInterrupt() {
    peer_->Answer("answer", 200, {}, 0.2);
    Seen seen;
    QObject owner;
    RequestWorkerPtr worker = MakeRequestWorker(host_.get());
    QVERIFY(worker->StartSimple(peer_->Base() + "/x", "", &owner, Recorder(seen)));
    worker->RequestStop();
    QTRY_COMPARE(seen.calls, 1);
    QVERIFY(worker->StopRequested());
    QCOMPARE(seen.response, std::string("answer"));
  }
};

NUMMORA_QTEST_MAIN(TestSockWorker)
#include "test_request_worker.moc"
