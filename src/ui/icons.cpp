#include "ui/icons.h"

#include <QImageReader>
#include <QPainter>
#include <QPixmap>

namespace nummora {
namespace {

QPixmap Coin(int size, QColor light, QColor dark, const QString& letter, QColor ink) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient g(size * 0.35, size * 0.3, size * 0.8);
  g.setColorAt(0, light);
  g.setColorAt(1, dark);
  p.setBrush(g);
  p.setPen(QPen(dark.darker(140), qMax(1.0, size / 24.0)));
  const qreal m = size / 16.0;
  p.drawEllipse(QRectF(m, m, size - 2 * m, size - 2 * m));
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(qMax(6, int(size * (letter.size() > 1 ? 0.38 : 0.55))));
  p.setFont(f);
  p.setPen(ink);
  p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, letter);
  return pm;
}

QIcon CoinIcon(QColor light, QColor dark, const QString& letter, QColor ink) {
  QIcon icon;
  for (int size : {16, 22, 25, 32, 48, 64}) icon.addPixmap(Coin(size, light, dark, letter, ink));
  return icon;
}

}  // namespace

QIcon ProgramIcon() {
  // The program's own pictures (data/icons, the ones installed into the icon theme), built into
  // the program. Each picture added is decoded at once, and the window system is handed every
  // size, so only the sizes of title bars, task bars and trays are taken: the 128 and 256 pixel
  // ones took most of the time before the login window appeared.
  static const QIcon icon = [] {
    QIcon drawn;
    for (int size : {16, 22, 24, 32, 48, 64}) {
      // Read as PNG outright, with the format's own reader: unless told not to guess, Qt loads
      // every image format plugin (GIF, ICO, JPEG, ...) to ask it first, even when the format
      // is given, which cost the start more than the pictures themselves.
      QImageReader reader(QStringLiteral(":/icons/nummora-%1.png").arg(size), "png");
      reader.setAutoDetectImageFormat(false);
      drawn.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return drawn;
  }();
  return icon;
}

QIcon AccountTypeIcon(AccountType type) {
  static const QIcon egold =
      CoinIcon(QColor(255, 230, 120), QColor(200, 150, 30), QStringLiteral("e"), QColor(100, 70, 0));
  static const QIcon lr =
      CoinIcon(QColor(160, 220, 170), QColor(30, 120, 60), QStringLiteral("LR"), Qt::white);
  return type == AccountType::Egold ? egold : lr;
}

QIcon KeyboardIcon() {
  static const QIcon icon = [] {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(QColor(235, 235, 235));
    p.drawRoundedRect(QRectF(0.5, 3.5, 15, 9), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 60));
    for (int row = 0; row < 2; ++row)
      for (int col = 0; col < 5; ++col) p.drawRect(2 + col * 2 + col, 5 + row * 3, 2, 2);
    p.drawRect(4, 10, 8, 1);
    return QIcon(pm);
  }();
  return icon;
}

}  // namespace nummora
