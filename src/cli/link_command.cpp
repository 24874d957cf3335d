// nummora-cli link LINK
#include <iostream>

#include "cli/command.h"
#include "payments/payment_link.h"

namespace nummora::cli {
namespace {

const char* const kSynopsis =
    "  nummora-cli link LINK\n"
    "      Prints the fields a payment link (nmr://payto=...&amount=...) fills in.\n";

int Run(const std::vector<std::string>& args, Io& io) {
  // A link is taken as it is, even when it starts with "--".
  if (args.size() != 1) throw CommandError(kExitUsage, "Name one link.\n" + std::string(kSynopsis));
  const PaymentLinkFields fields = ParsePaymentLink(args[0]);
  if (!fields.hasParts) {
    io.out << "The link carries no payment fields; the payment dialog opens empty.\n";
    return kExitOk;
  }
  io.out << "Pay to: " << fields.payto << "\n";
  io.out << "Pay to field: " << (fields.paytoIsLibertyReserve ? "Liberty Reserve" : "e-gold") << "\n";
  io.out << "Amount: " << fields.amount << "\n";
  io.out << "Memo: " << fields.memo << "\n";
  io.out << "Merchant: " << fields.merchant << "\n";
  return kExitOk;
}

const CommandRegistrar registrar(Command{"link", kSynopsis, "show what a payment link fills in", Run});

}  // namespace
}  // namespace nummora::cli
