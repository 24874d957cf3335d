#include "app/session_end_report.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QVariantMap>
#include <cstdio>

namespace nummora {
namespace {

constexpr unsigned char kUrgencyCritical = 2;

void NotifyDesktop(const QString& text, int waitMs) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  QVariantMap hints;
  hints.insert(QStringLiteral("urgency"), QVariant::fromValue(kUrgencyCritical));
  // Servers may read the body as markup; the text names files the user chose.
  call << QGuiApplication::applicationDisplayName() << 0u << QStringLiteral("dialog-error")
       << QString::fromLatin1(kSessionSaveFailedTitle) << text.toHtmlEscaped() << QStringList() << hints
       << 0;  // critical notifications stay until the user closes them
  bus.call(call, QDBus::Block, waitMs);
}

}  // namespace

void ReportFailedSessionSave(const std::string& error, int waitMs) {
  std::fprintf(stderr, "nummora: %s: %s\n", kSessionSaveFailedTitle, error.c_str());
  std::fflush(stderr);
  NotifyDesktop(QString::fromLocal8Bit(error.c_str()), waitMs);
}

}  // namespace nummora
