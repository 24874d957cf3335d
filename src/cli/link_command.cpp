// nummora-cli link LINK
#include <iostream>

#include "cli/command.h"
#include "cli/json_output.h"
#include "payments/payment_link.h"

namespace nummora::cli {
namespace {

const char* const kSynopsis =
    "  nummora-cli link [--json] LINK\n"
    "      Prints the fields a payment link (nmr://payto=...&amount=...) fills in.\n"
    "  --json                one document: {\"hasFields\", \"payTo\", \"payToSystem\" (\"e-gold\" or\n"
    "                        \"liberty_reserve\"), \"amount\" (the link's text), \"memo\", \"merchant\"}\n";

void PrintJsonFields(const PaymentLinkFields& fields, Io& io) {
  Json doc;
  doc["hasFields"] = fields.hasParts;
  if (fields.hasParts) {
    doc["payTo"] = JsonText(fields.payto);
    doc["payToSystem"] = fields.paytoIsLibertyReserve ? "liberty_reserve" : "e-gold";
    doc["amount"] = JsonText(fields.amount);
    doc["memo"] = JsonText(fields.memo);
    doc["merchant"] = JsonText(fields.merchant);
  }
  PrintJson(io, doc);
}

int Run(const std::vector<std::string>& args, Io& io) {
  // A link is taken as it is, even when it starts with "--".
  const bool json = args.size() == 2 && args[0] == "--json";
  if (args.size() != 1 && !json) throw CommandError(kExitUsage, "Name one link.\n" + std::string(kSynopsis));
  const PaymentLinkFields fields = ParsePaymentLink(args.back());
  if (json) {
    PrintJsonFields(fields, io);
    return kExitOk;
  }
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
