// nummora-cli volume-serial PATH
#include <iostream>

#include "cli/command.h"
#include "platform/volume_serial.h"

namespace nummora::cli {
namespace {

const char* const kSynopsis =
    "  nummora-cli volume-serial PATH\n"
    "      Prints the volume serial number that keys profile files in PATH's folder.\n";

int Run(const std::vector<std::string>& args, Io& io) {
  Arguments parsed(args, {}, {});
  if (parsed.Positional().size() != 1)
    throw CommandError(kExitUsage, "Name one path.\n" + std::string(kSynopsis));
  try {
    VolumeSerialInfo info = DescribeVolumeSerial(parsed.Positional()[0]);
    io.out << SerialText(info.serial) << "  " << info.filesystem << " " << info.source << "\n";
  } catch (const EVolumeSerialError& e) {
    throw CommandError(kExitNoVolumeSerial, e.what());
  }
  return kExitOk;
}

const CommandRegistrar registrar(Command{"volume-serial", kSynopsis,
                                         "print the volume serial number of a path", Run});

}  // namespace
}  // namespace nummora::cli
