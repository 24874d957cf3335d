// Nummora: desktop wallet for e-gold and Liberty Reserve accounts.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "app/application.h"
#include "app/startup.h"
#include "common/secure_memory.h"
#include "common/version.h"

int main(int argc, char** argv) {
  nummora::DisableCoreDumps();  // a crash must never write passwords to disk
  // Answered before anything else starts, so that it works without a display.
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("nummora %s\n", NUMMORA_VERSION);
    return 0;
  }
  // The link as the system passed it, bytes unchanged; further arguments are ignored.
  std::optional<std::string> link;
  if (argc > 1) link = std::string(argv[1]);

  nummora::NummoraApplication app(argc, argv);
  nummora::NummoraApplication::setApplicationName(QStringLiteral("Nummora"));
  nummora::NummoraApplication::setApplicationVersion(QStringLiteral(NUMMORA_VERSION));
  nummora::NummoraApplication::setStyle(QStringLiteral("Fusion"));
  nummora::NummoraApplication::setQuitOnLastWindowClosed(false);
  return nummora::RunNummora(app, link);
}
