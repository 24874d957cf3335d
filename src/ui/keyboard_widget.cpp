#include "ui/keyboard_widget.h"

#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include "ui/layout_scale.h"

namespace nummora {

namespace {
constexpr int kKeyHeight = 22;
constexpr int kStep = 24;

struct KeyRow {
  const char* keys;
  int left;
  int top;
};
constexpr KeyRow kRows[] = {
    {"1234567890", 8, 8},
    {"qwertyuiop", 8, 40},
    {"asdfghjkl", 20, 64},
    {"zxcvbnm", 35, 88},
};
}  // namespace

OnScreenKeyboard* OnScreenKeyboard::Open(QWidget* owner, QLineEdit* target) {
  auto* keyboard = new OnScreenKeyboard(owner, target);
  const QPoint pointer = QCursor::pos();
  keyboard->move(pointer.x() - 150, pointer.y() + 20);
  keyboard->show();
  return keyboard;
}

OnScreenKeyboard::OnScreenKeyboard(QWidget* owner, QLineEdit* target)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint), target_(target) {
  setObjectName(QStringLiteral("vKeyboard"));
  setWindowTitle(QStringLiteral("Virtual Keyboard"));
  setFixedSize(LayoutScale::ForFont(font()).Size(257, 150));
  setFocusPolicy(Qt::StrongFocus);

  for (const KeyRow& row : kRows) {
    int left = row.left;
    for (const char* k = row.keys; *k; ++k, left += kStep) {
      const QString caption = QString(QChar::fromLatin1(*k));
      QToolButton* key = AddKey(caption, QStringLiteral("bKey_") + caption, left, row.top);
      if (key->text().at(0).isLetter()) letters_.append(key);
      connect(key, &QToolButton::clicked, this, [this, key] { Append(key->text()); });
    }
  }
  connect(AddKey(QStringLiteral("CAPS"), QStringLiteral("bCAPS"), 8, 120, 41), &QToolButton::clicked, this,
          &OnScreenKeyboard::CapsClick);
  connect(AddKey(QStringLiteral("SPACE"), QStringLiteral("bSPACE"), 50, 120, 155), &QToolButton::clicked,
          this, [this] { Append(QStringLiteral(" ")); });
  connect(AddKey(QStringLiteral("BACK"), QStringLiteral("bBACK"), 206, 120, 41), &QToolButton::clicked, this,
          &OnScreenKeyboard::BackClick);
  // Kept for the layout of the original keyboard; it has no function and stays hidden.
  AddKey(QStringLiteral("ENTER"), QStringLiteral("bENTER"), 204, 88, 44)->hide();
}

QToolButton* OnScreenKeyboard::AddKey(const QString& caption, const QString& name, int left, int top,
                                      int width) {
  auto* key = new QToolButton(this);
  key->setObjectName(name);
  key->setText(caption);
  key->setAutoRaise(true);
  key->setFocusPolicy(Qt::NoFocus);
  // Positions and sizes are those of the keyboard at an 8-point font, scaled to this one.
  const LayoutScale scale = LayoutScale::ForFont(font());
  key->setGeometry(scale.X(left), scale.Y(top), scale.X(width), scale.Y(kKeyHeight));
  return key;
}

void OnScreenKeyboard::Append(const QString& text) {
  if (target_) target_->setText(target_->text() + text);
}

void OnScreenKeyboard::BackClick() {
  if (!target_) return;
  QString text = target_->text();
  text.chop(1);
  target_->setText(text);
}

void OnScreenKeyboard::CapsClick() {
  caps_ = !caps_;
  for (QToolButton* key : letters_) key->setText(caps_ ? key->text().toUpper() : key->text().toLower());
}

void OnScreenKeyboard::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace nummora
