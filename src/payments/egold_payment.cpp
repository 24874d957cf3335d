#include "payments/egold_payment.h"

#include "common/errors.h"
#include "common/number_text.h"
#include "common/text_routines.h"
#include "net/egold.h"

namespace nummora {

const std::array<EgoldUnit, kEgoldUnitCount> kEgoldUnits = {{
    {"Choose units...", 0},
    {"grams", 8888},
    {"troy ounces", 9999},
    {"- - - equivalent units: - - -", 0},
    {"US Dollars' worth", 1},
    {"Euros' worth", 85},
    {"Australian Dollars' worth", 61},
    {"British Pounds' worth", 44},
    {"Canadian Dollars' worth", 2},
    {"Japanese Yen' worth", 81},
    {"Swiss Francs' worth", 41},
    {"- - - other equivalent units: - - -", 0},
    {"Austrian Schillings' worth", 87},
    {"Belgian Francs' worth", 86},
    {"Estonian Krooni' worth", 96},
    {"Finnish Markkas' worth", 95},
    {"French Francs' worth", 33},
    {"German Marks' worth", 49},
    {"Greek Drachmas' worth", 88},
    {"Irish Pounds' worth", 90},
    {"Italian Liras' worth", 91},
    {"Lithuanian Litai' worth", 97},
    {"Luxembourg Francs' worth", 92},
    {"Dutch Guilders' worth", 93},
    {"Portuguese Escudos' worth", 94},
    {"Spanish Pesetas' worth", 89},
}};

const std::array<const char*, 4> kEgoldMetalNames = {"Gold", "Silver", "Platinum", "Palladium"};

std::vector<std::string> EgoldVerifyFields(const AccountRecord& source, const EgoldPayment& payment) {
  std::vector<std::string> fields = EgoldLoginFields(source);
  fields.push_back("Payee_Account=" + payment.payee);
  fields.push_back("Amount=" + payment.amount);
  fields.push_back("PAY_IN=" + std::to_string(payment.payIn));
  fields.push_back("WORTH_OF=" + payment.metal);
  return fields;
}

std::vector<std::string> EgoldConfirmFields(const AccountRecord& source, const EgoldPayment& payment) {
  std::vector<std::string> fields = EgoldVerifyFields(source, payment);
  fields.push_back("Memo=" + payment.memo);
  fields.push_back("PAYMENT_ID=" + payment.merchant);
  return fields;
}

namespace {

// A field of a receipt; one past the reach of the page reader stays empty, and the payment it
// belongs to stays completed.
std::string ReceiptField(const std::string& name, const std::string& page) {
  try {
    return ExtractHiddenInput(name, page);
  } catch (const ERangeError&) {
    return std::string();
  }
}

}  // namespace

EgoldPreview ReadEgoldPreview(const std::string& page, const std::string& sourceId) {
  EgoldPreview preview;
  try {
    preview.error = EgoldErrorText(page, sourceId);
    if (!preview.error.empty()) return preview;
    preview.payeeName = ExtractHiddenInput("PAYEE_NAME", page);
  } catch (const ERangeError&) {
    preview.error = "The answer of the e-gold server could not be read.";
    return preview;
  }
  preview.firstTime = page.find(kFirstTimeSpendText) != std::string::npos;
  return preview;
}

PaymentOutcome ReadEgoldReceipt(const std::string& page, const std::string& sourceId,
                                const FormatSettings& numberFormat) {
  try {
    // A batch number means the metal has moved, whatever else the page says (an echoed memo
    // or merchant reference may hold any text): it is read before any error.
    PaymentOutcome out;
    out.batch = ExtractHiddenInput("PAYMENT_BATCH_NUM", page);
    if (out.batch.empty()) {
      std::string error = EgoldErrorText(page, sourceId);
      if (!error.empty()) return RefusedPayment(std::move(error));
      // Neither receipt nor error page: the metal may have moved all the same.
      return UnknownPayment();
    }
    out.result = PaymentResult::Paid;
    out.payeeName = ReceiptField("PAYEE_NAME", page);
    out.ounces = StrToFloatDef(ReceiptField("ACTUAL_PAYMENT_OUNCES", page), numberFormat, 0);
    return out;
  } catch (const ERangeError&) {
    return UnknownPayment();
  }
}

}  // namespace nummora
