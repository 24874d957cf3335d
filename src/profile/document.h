#pragma once
// The profile document: the plain text a profile file holds once deciphered. A header line,
// one line per live account in display order, one line per contact, the Rates element and
// the trailer "<?end>", each line ended by CR LF. Elements are found by their tags; nothing is
// escaped.
//
// The reader takes every element, however long the document: a document it cannot read
// completely is refused as a whole, so that a later save never drops what was not read. The
// writer never writes a document that would read back differently.
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/format_settings.h"
#include "common/version.h"
#include "profile/model.h"
#include "profile/profile_file.h"

namespace nummora {

// A profile document that cannot be read completely, or a profile that cannot be written as
// a document. The message names the account or contact and the problem.
class EProfileDocumentError : public NummoraError {
 public:
  using NummoraError::NummoraError;
};

inline constexpr const char* kProfileHeader =
    "<?nmr version=\"" NUMMORA_VERSION "\" encoding=\"iso-8859-1\"?>";
inline constexpr const char* kProfileTrailer = "<?end>";
// The document a new, empty profile starts with.
inline constexpr const char* kEmptyProfileDocument = "<?nmr> <?end>";

// Whether a deciphered text starts like a profile document ("<?nmr"); a wrong password or a
// file from another volume fails this.
bool LooksLikeProfileDocument(const std::string& text);
// Whether a deciphered text holds the trailer; one without it was cut short.
bool HasProfileTrailer(const std::string& text);

// What a document holds.
struct ProfileDocumentContent {
  std::vector<AccountRecord> accounts;  // in document order, Index = position
  std::vector<ContactRecord> contacts;
  std::string rates_text;

  ProfileDocumentContent() = default;
  ProfileDocumentContent(ProfileDocumentContent&&) = default;
  ProfileDocumentContent& operator=(ProfileDocumentContent&&) = default;
  ~ProfileDocumentContent();
};

// Reads a whole document. Numbers and dates that do not read give 0. Throws
// EProfileDocumentError for a Type that is not an integer, a Refresh outside 0 to 65535, a
// 128th account, and an Account or Contact element that cannot be read (longer than the tag
// reader takes, or empty while more elements follow). `regional` gives the date and time
// formats; numbers are read with the program's number format.
ProfileDocumentContent ReadProfileDocument(const std::string& text, const FormatSettings& regional);

// What the main window does after a load: rewrite each row, and start a balance refresh for
// the accounts marked "Update balance at startup".
struct ProfileLoadResult {
  std::vector<int> refresh_positions;  // table positions, in table order
};

// Fills the model from a document: the table in document order, row n showing entry n, the
// contacts and RatesText (through SetRatesText). The model is changed only when the whole document was read;
// on EProfileDocumentError it stays as it was.
ProfileLoadResult LoadProfile(ProfileModel& model, const std::string& text, const FormatSettings& regional);

// Builds the document from the model: live accounts in display order (their Password
// elements empty when `save_passwords` is off), every contact and the rates (empty when
// RatesText holds "<" or ">" or is too long to be read back). The document is then read again
// and must give back the same accounts, contacts and rates. Throws EProfileDocumentError,
// before anything is written anywhere, when it does not (a text holding "<" or ">" can add,
// change or hide an element; the message names the account or contact and, where it can,
// the field), or when an account or contact is too long for the reader to take back.
std::string BuildProfileDocument(const ProfileModel& model, bool save_passwords,
                                 const FormatSettings& regional);

// Saves the model to the profile file: builds the whole document first, clears the in-memory
// passwords when `save_passwords` is off, then writes the text to `path` in the key's format
// (WriteProfileFile). Does nothing and returns false when the key's password is empty. Errors of
// the build leave the model and the file as they were; errors of the cipher leave the file as it
// was.
bool SaveProfile(ProfileModel& model, ProfileKey& key, const std::string& path, bool save_passwords,
                 const FormatSettings& regional, const ProfileFileOptions& options = {});

}  // namespace nummora
