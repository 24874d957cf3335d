#include "app/application.h"

#include <cstdio>
#include <exception>

namespace nummora {

NummoraApplication::NummoraApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool NummoraApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    if (sink_)
      sink_(e.what());
    else
      std::fprintf(stderr, "nummora: %s\n", e.what());
  } catch (...) {
    if (sink_) sink_("Unknown error");
  }
  return false;
}

}  // namespace nummora
