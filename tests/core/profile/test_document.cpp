#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/datetime.h"
#include "common/format_settings.h"
#include "profile/document.h"
#include "support/net_test_util.h"

namespace nummora {
namespace {

const FormatSettings kUs = UsEnglishFormatSettings();
const std::string kHeader = "<?nmr version=\"4.4\" encoding=\"iso-8859-1\"?>";

AccountRecord Egold(const std::string& id, const std::string& name = "") {
  AccountRecord a;
  a.Type = AccountType::Egold;
  a.ID = id;
  a.Name = name;
  return a;
}

std::string Doc(const std::string& body) {
  return kHeader + "\r\n" + body + "<Rates></Rates>\r\n<?end>\r\n";
}

std::string AccountLine(const std::string& fields) {
  return "<Account> " + fields + "</Account>\r\n";
}

TEST(ProfileDocumentTest, EmptyProfileIsThreeLines) {
  ProfileModel m;
  EXPECT_EQ(BuildProfileDocument(m, true, kUs), kHeader + "\r\n<Rates></Rates>\r\n<?end>\r\n");
  m.RatesText = "USD,1,2\r\n3";
  EXPECT_EQ(BuildProfileDocument(m, true, kUs), kHeader + "\r\n<Rates>USD,1,2\r\n3</Rates>\r\n<?end>\r\n");
}

TEST(ProfileDocumentTest, WritesEveryFieldInItsForm) {
  ProfileModel m;
  AccountRecord a = Egold("123456", "Main");
  a.Password = "pass phrase";
  a.LRusd = 12345000;  // 1234.5
  a.LReur = 1000000;   // 100
  a.Gold = 0.25;
  a.Silver = 1.5e-6;
  a.Platinum = 0;
  a.Palladium = 3;
  a.Updated = EncodeDateTime(2020, 1, 2, 15, 4, 5);
  a.Update = true;
  a.Refresh = 65535;
  a.Batch = -7;
  a.BatchDate = EncodeDate(2019, 12, 31);
  m.AppendAccount(a);
  AccountRecord lr;
  lr.Type = AccountType::LibertyReserve;
  lr.ID = "U1234567";
  lr.APIname = "api";
  lr.LRusd = 1;                         // 0.0001
  lr.Updated = EncodeDate(2021, 6, 7);  // midnight: date only
  m.AppendAccount(lr);
  m.AddContact(ContactRecord{"Bob", "42", "U7", "bob@example.com", "a comment"});

  EXPECT_EQ(
      BuildProfileDocument(m, true, kUs),
      kHeader + "\r\n" +
          AccountLine("<Type>0</Type><ID>123456</ID><Name>Main</Name><Password>pass phrase</Password>"
                      "<APIname></APIname><LRusd>1234.5</LRusd><LReur>100</LReur><Gold>0.25</Gold>"
                      "<Silver>1.5E-6</Silver><Platinum>0</Platinum><Palladium>3</Palladium>"
                      "<Updated>1/2/2020 3:04:05 PM</Updated><Update>-1</Update><Refresh>65535</Refresh>"
                      "<Batch>-7</Batch><BatchDate>12/31/2019</BatchDate>") +
          AccountLine("<Type>1</Type><ID>U1234567</ID><Name></Name><Password></Password>"
                      "<APIname>api</APIname><LRusd>0.0001</LRusd><LReur>0</LReur><Gold>0</Gold>"
                      "<Silver>0</Silver><Platinum>0</Platinum><Palladium>0</Palladium>"
                      "<Updated>6/7/2021</Updated><Update>0</Update><Refresh>0</Refresh>"
                      "<Batch>0</Batch><BatchDate>12/30/1899</BatchDate>") +
          "<Contact><Name>Bob</Name><EgoldID>42</EgoldID><LRID>U7</LRID><Email>bob@example.com</Email>"
          "<Comment>a comment</Comment></Contact>\r\n"
          "<Rates></Rates>\r\n<?end>\r\n");
}

TEST(ProfileDocumentTest, RoundTripKeepsEveryStoredField) {
  ProfileModel m;
  AccountRecord a = Egold("99", "Gold & silver");
  a.Password = "phrase";
  a.APIname = "n";
  a.LRusd = -32500;
  a.LReur = 123456789;
  a.Gold = 1234.5678;
  a.Silver = 0.001;
  a.Platinum = 2e-7;
  a.Palladium = 123456789012345.0;
  a.Updated = EncodeDateTime(2008, 2, 29, 23, 59, 58);
  a.Update = true;
  a.Refresh = 30;
  a.Batch = 2147483647;
  a.BatchDate = EncodeDate(2008, 3, 1);
  a.Status = 3;
  a.Refreshing = true;
  m.AppendAccount(a);
  m.AddContact(ContactRecord{"", "", "", "", ""});
  m.AddContact(ContactRecord{"N", "E", "L", "M", "C"});
  m.RatesText = "x,1\r\n2";

  ProfileModel back;
  back.DisplayCurrency = "EUR";
  ProfileLoadResult r = LoadProfile(back, BuildProfileDocument(m, true, kUs), kUs);
  ASSERT_EQ(back.AccountCount(), 1);
  const AccountRecord& b = back.Account(0);
  EXPECT_EQ(b.Index, 0);
  EXPECT_EQ(b.Type, a.Type);
  EXPECT_EQ(b.ID, a.ID);
  EXPECT_EQ(b.Name, a.Name);
  EXPECT_EQ(b.Password, a.Password);
  EXPECT_EQ(b.APIname, a.APIname);
  EXPECT_EQ(b.LRusd, a.LRusd);
  EXPECT_EQ(b.LReur, a.LReur);
  EXPECT_DOUBLE_EQ(b.Gold, a.Gold);
  EXPECT_DOUBLE_EQ(b.Silver, a.Silver);
  EXPECT_DOUBLE_EQ(b.Platinum, a.Platinum);
  EXPECT_DOUBLE_EQ(b.Palladium, a.Palladium);
  EXPECT_NEAR(b.Updated, a.Updated, 1e-9);
  EXPECT_TRUE(b.Update);
  EXPECT_EQ(b.Refresh, 30);
  EXPECT_EQ(b.Batch, a.Batch);
  EXPECT_EQ(b.BatchDate, a.BatchDate);
  // Memory-only fields start afresh.
  EXPECT_EQ(b.Status, 0);
  EXPECT_FALSE(b.Refreshing);
  EXPECT_EQ(r.refresh_positions, std::vector<int>{0});
  EXPECT_EQ(back.Contacts(), m.Contacts());
  EXPECT_EQ(back.RatesText, "x,1\r\n2");
  EXPECT_EQ(back.RatesTime, 0);
  EXPECT_EQ(back.DisplayCurrency, "EUR");
  EXPECT_EQ(back.AccountOfRow(0), 0);
}

TEST(ProfileDocumentTest, BatchDateKeepsOnlyTheDate) {
  ProfileModel m;
  AccountRecord a = Egold("1");
  a.BatchDate = EncodeDateTime(2010, 5, 6, 7, 8, 9);
  m.AppendAccount(a);
  ProfileModel back;
  LoadProfile(back, BuildProfileDocument(m, true, kUs), kUs);
  EXPECT_EQ(back.Account(0).BatchDate, EncodeDate(2010, 5, 6));
}

TEST(ProfileDocumentTest, DeletedAccountsAreLeftOutAndMovedOnesSavedInPlace) {
  ProfileModel m;
  m.AppendAccount(Egold("1", "one"));
  m.AppendAccount(Egold("2", "two"));
  m.AppendAccount(Egold("3", "three"));
  m.DeleteAccount(1);
  m.MoveRowUp(1);  // "three" to the top
  EXPECT_EQ(m.Account(2).Index, 2);
  ProfileModel back;
  LoadProfile(back, BuildProfileDocument(m, true, kUs), kUs);
  ASSERT_EQ(back.AccountCount(), 2);
  EXPECT_EQ(back.Account(0).ID, "3");
  EXPECT_EQ(back.Account(0).Index, 0);
  EXPECT_EQ(back.Account(1).ID, "1");
  EXPECT_EQ(back.Account(1).Index, 1);
}

TEST(ProfileDocumentTest, SavePasswordsOffEmptiesThemInTheFileAndInMemory) {
  char pattern[] = "/tmp/nummora-doc-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/p.nmr";
  ProfileModel m;
  AccountRecord a = Egold("1");
  a.Password = "phrase one";
  m.AppendAccount(a);
  AccountRecord deleted = Egold("2");
  deleted.Password = "kept";
  m.AppendAccount(deleted);
  m.DeleteAccount(1);
  const ProfileFileOptions options{7u, nullptr};
  ProfileKey key("pw1", ProfileFormat::kLegacy);
  ASSERT_TRUE(SaveProfile(m, key, path, false, kUs, options));
  const std::string text = DecipherFile(path, "pw1", options);
  EXPECT_NE(text.find("<Password></Password>"), std::string::npos);
  EXPECT_EQ(text.find("phrase one"), std::string::npos);
  EXPECT_TRUE(m.Account(0).Password.empty());
  std::filesystem::remove_all(pattern);
}

TEST(ProfileDocumentTest, EmptyPasswordSavesNothing) {
  ProfileModel m;
  m.AppendAccount(Egold("1"));
  const std::string path = "/tmp/nummora-never-written.nmr";
  ProfileKey none;
  EXPECT_FALSE(SaveProfile(m, none, path, true, kUs, ProfileFileOptions{7u, nullptr}));
  EXPECT_FALSE(std::filesystem::exists(path));
}

// The address book adds at most 128 contacts, but a profile read from a file may hold more:
// every one of them is saved, and saving never fails for it.
TEST(ProfileDocumentTest, EveryContactReadIsSaved) {
  std::string body;
  for (int i = 0; i < 200; ++i) body += "<Contact><Name>c" + std::to_string(i) + "</Name></Contact>\r\n";
  ProfileModel m;
  LoadProfile(m, Doc(body), kUs);
  ASSERT_EQ(m.Contacts().size(), 200u);
  EXPECT_FALSE(m.AddContact(ContactRecord{"one more", "", "", "", ""}));
  ProfileModel back;
  LoadProfile(back, BuildProfileDocument(m, true, kUs), kUs);
  EXPECT_EQ(back.Contacts(), m.Contacts());
}

// 127 accounts and 128 contacts make a document far beyond the 65535 positions the tag reader
// counts; every element must come back.
TEST(ProfileDocumentTest, LargestProfileRoundTrips) {
  ProfileModel m;
  for (int i = 0; i < 127; ++i) {
    AccountRecord a =
        Egold(std::to_string(1000 + i), "Account number " + std::to_string(i) + std::string(200, 'n'));
    a.Password = "phrase " + std::to_string(i);
    a.Gold = i * 0.5;
    a.Update = i % 2 == 0;
    a.Refresh = static_cast<uint16_t>(i);
    ASSERT_EQ(m.AppendAccount(a), i);
  }
  for (int i = 0; i < 128; ++i) {
    ASSERT_TRUE(
        m.AddContact(ContactRecord{"Contact " + std::to_string(i), std::to_string(i), "U" + std::to_string(i),
                                   "c" + std::to_string(i) + "@example.com", std::string(100, 'c')}));
  }
  m.RatesText = "rates at the end";
  const std::string text = BuildProfileDocument(m, true, kUs);
  ASSERT_GT(text.size(), 65535u * 1.5);

  ProfileModel back;
  ProfileLoadResult r = LoadProfile(back, text, kUs);
  ASSERT_EQ(back.AccountCount(), 127);
  for (int i = 0; i < 127; ++i) {
    EXPECT_EQ(back.Account(i).ID, m.Account(i).ID);
    EXPECT_EQ(back.Account(i).Password, m.Account(i).Password);
    EXPECT_EQ(back.Account(i).Refresh, i);
  }
  EXPECT_EQ(r.refresh_positions.size(), 64u);
  EXPECT_EQ(back.Contacts(), m.Contacts());
  EXPECT_EQ(back.RatesText, "rates at the end");
  EXPECT_EQ(BuildProfileDocument(back, true, kUs), text);
}

TEST(ProfileDocumentTest, ReadsFieldsByTheirExactTags) {
  auto read = [](const std::string& fields) {
    return ReadProfileDocument(Doc(AccountLine("<Type>0</Type><ID>1</ID>" + fields)), kUs).accounts.at(0);
  };
  EXPECT_FALSE(read("<Updated>1/2/2020</Updated><Update>0</Update>").Update);
  EXPECT_TRUE(read("<Update>-1</Update><Updated>1/2/2020</Updated>").Update);
  EXPECT_FALSE(read("<Updated>1</Updated>").Update);  // no Update element
  EXPECT_TRUE(read("<Update>TRUE</Update>").Update);
  EXPECT_TRUE(read("<Update>2</Update>").Update);
  EXPECT_FALSE(read("<Update>false</Update>").Update);
  EXPECT_FALSE(read("<Update>yes</Update>").Update);
  EXPECT_EQ(read("<LRusd>12.34567</LRusd>").LRusd, 123457);  // four decimals, rounded
  EXPECT_EQ(read("<LRusd>abc</LRusd><Gold>1,5</Gold>").LRusd, 0);
  EXPECT_EQ(read("<Gold>1,5</Gold>").Gold, 0);
  EXPECT_EQ(read("<Updated>31/12/2020</Updated>").Updated, 0);  // not the regional form
  EXPECT_EQ(read("<BatchDate>never</BatchDate><Batch>x</Batch>").BatchDate, 0);
  EXPECT_EQ(read("<Refresh>x</Refresh>").Refresh, 0);
  EXPECT_EQ(read("<Name>a</Name>b</Name>").Name, "a");  // a value holding the closing tag is cut there
  EXPECT_EQ(read("<Name>no closing tag").Name, "");
}

struct RefusalCase {
  const char* name;
  std::string body;
  const char* message_part;
};

class RefusedDocumentTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusedDocumentTest, IsRefusedAsAWholeAndLeavesTheModel) {
  ProfileModel m;
  m.AppendAccount(Egold("keep"));
  try {
    LoadProfile(m, Doc(GetParam().body), kUs);
    FAIL() << "document was accepted";
  } catch (const EProfileDocumentError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().message_part), std::string::npos) << e.what();
  }
  ASSERT_EQ(m.AccountCount(), 1);
  EXPECT_EQ(m.Account(0).ID, "keep");
}

std::string ManyAccounts(int n) {
  std::string body;
  for (int i = 0; i < n; ++i) body += AccountLine("<Type>0</Type><ID>" + std::to_string(i + 1) + "</ID>");
  return body;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedDocumentTest,
    ::testing::Values(
        RefusalCase{"TypeNotANumber",
                    AccountLine("<Type>x</Type><ID>1</ID>") + AccountLine("<Type>0</Type><ID>2</ID>"),
                    "account 1 (\"1\") has the type \"x\""},
        RefusalCase{"TypeMissing",
                    AccountLine("<Type>0</Type><ID>1</ID>") + AccountLine("<ID>2</ID><Name>Two</Name>"),
                    "account 2 (\"Two (2)\")"},
        RefusalCase{"RefreshTooLarge", AccountLine("<Type>0</Type><ID>7</ID><Refresh>65536</Refresh>"),
                    "refresh interval \"65536\""},
        RefusalCase{"RefreshNegative", AccountLine("<Type>1</Type><ID>U1</ID><Refresh>-1</Refresh>"),
                    "\"-1\""},
        RefusalCase{"Account128", ManyAccounts(128), "account 128 (\"128\")"},
        RefusalCase{"AccountTooLong",
                    AccountLine("<Type>0</Type><ID>1</ID><Name>" + std::string(70000, 'x') + "</Name>"),
                    "account 1 is longer than 65535"},
        RefusalCase{"EmptyAccountThenMore", "<Account></Account>\r\n" + ManyAccounts(1),
                    "account 1 is empty"},
        RefusalCase{"ContactTooLong", "<Contact><Name>" + std::string(66000, 'c') + "</Name></Contact>\r\n",
                    "contact 1 is longer"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST(ProfileDocumentTest, AcceptsTheSmallestDocumentsAndOddOrders) {
  ProfileModel m;
  LoadProfile(m, "<?nmr> <?end>", kUs);
  EXPECT_EQ(m.AccountCount(), 0);
  EXPECT_TRUE(m.Contacts().empty());
  EXPECT_TRUE(m.RatesText.empty());

  // Exactly 127 accounts load.
  LoadProfile(m, Doc(ManyAccounts(127)), kUs);
  EXPECT_EQ(m.AccountCount(), 127);

  // Contacts written before the accounts are still found.
  auto doc = ReadProfileDocument(
      kHeader + "\r\n<Contact><Name>A</Name></Contact>\r\n" + ManyAccounts(2) + "<?end>", kUs);
  EXPECT_EQ(doc.accounts.size(), 2u);
  ASSERT_EQ(doc.contacts.size(), 1u);
  EXPECT_EQ(doc.contacts[0].Name, "A");
  EXPECT_TRUE(doc.rates_text.empty());

  // An empty last account ends the walk without losing anything.
  doc = ReadProfileDocument(Doc(ManyAccounts(1) + "<Account></Account>\r\n"), kUs);
  EXPECT_EQ(doc.accounts.size(), 1u);
}

TEST(ProfileDocumentTest, WriterRefusesWhatTheReaderCouldNotTakeBack) {
  ProfileModel m;
  m.AppendAccount(Egold("1", std::string(70000, 'n')));
  EXPECT_THROW(BuildProfileDocument(m, true, kUs), EProfileDocumentError);
  ProfileModel c;
  c.AddContact(ContactRecord{"x", "", "", "", std::string(70000, 'c')});
  EXPECT_THROW(BuildProfileDocument(c, true, kUs), EProfileDocumentError);
  // Rates too long to be read back are dropped; they are asked for again at every opening.
  ProfileModel r;
  r.RatesText = std::string(70000, 'r');
  ProfileModel back;
  LoadProfile(back, BuildProfileDocument(r, true, kUs), kUs);
  EXPECT_TRUE(back.RatesText.empty());
}

// A rates answer comes from a plain-HTTP page: whatever it holds, it must not add, change or
// hide an element of the profile when the profile is read again.
class RatesInjectionTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RatesInjectionTest, AnswerWithTagsIsNotKept) {
  ProfileModel m;
  m.AppendAccount(Egold("1", "one"));
  m.AddContact(ContactRecord{"Bob", "42", "", "", ""});
  EXPECT_FALSE(m.SetRatesText(GetParam()));
  EXPECT_TRUE(m.RatesText.empty());

  m.RatesText = GetParam();  // past the model's check: the writer leaves it out as well
  ProfileModel back;
  LoadProfile(back, BuildProfileDocument(m, true, kUs), kUs);
  ASSERT_EQ(back.AccountCount(), 1);
  EXPECT_EQ(back.Account(0).ID, "1");
  EXPECT_EQ(back.Contacts(), m.Contacts());
  EXPECT_TRUE(back.RatesText.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, RatesInjectionTest,
                         ::testing::Values("x,1<Contact><Name>Eve</Name><EgoldID>666</EgoldID></Contact>"
                                           "<Account><Type>0</Type><ID>666</ID></Account>",
                                           "x<Account>y</Account>", "USD,1,2,3,4</Rates>", "a>b"));

TEST(ProfileDocumentTest, PlainRatesAreKept) {
  ProfileModel m;
  EXPECT_TRUE(m.SetRatesText("USD,500.5,8.1,900,300\r\n"));
  ProfileModel back;
  LoadProfile(back, BuildProfileDocument(m, true, kUs), kUs);
  EXPECT_EQ(back.RatesText, "USD,500.5,8.1,900,300\r\n");
}

struct TagInField {
  const char* what;
  AccountRecord account;
  ContactRecord contact;
  const char* field;  // named in the message
};

// Shown by its name only: the cases hold pass phrases.
void PrintTo(const TagInField& c, std::ostream* os) {
  *os << c.what;
}

AccountRecord WithTexts(const std::string& name, const std::string& password) {
  AccountRecord a = Egold("123456", name);
  a.Password = password;
  return a;
}

class TagInFieldTest : public ::testing::TestWithParam<TagInField> {};

// The format has no escaping: a model whose document would read back differently is not
// written, and the file keeps what it held.
TEST_P(TagInFieldTest, ModelThatWouldReadBackDifferentlyIsNotSaved) {
  test::NetTempDir dir;
  const std::string path = (dir / "p.nmr").string();
  const ProfileFileOptions options{7u, nullptr};
  ProfileModel m;
  m.AppendAccount(WithTexts("Main", "old phrase"));
  ProfileKey key("pw1", ProfileFormat::kLegacy);
  ASSERT_TRUE(SaveProfile(m, key, path, true, kUs, options));
  const std::string before = DecipherFile(path, "pw1", options);

  m.AppendAccount(GetParam().account);
  m.AddContact(GetParam().contact);
  try {
    SaveProfile(m, key, path, true, kUs, options);
    FAIL() << "saved";
  } catch (const EProfileDocumentError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(GetParam().field), std::string::npos) << message;
    EXPECT_EQ(message.find("secret"), std::string::npos) << "the message shows the pass phrase";
  }
  EXPECT_EQ(DecipherFile(path, "pw1", options), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TagInFieldTest,
    ::testing::Values(TagInField{"AccountInName",
                                 WithTexts("a</Account><Account><Type>0</Type><ID>9", "secret"),
                                 {},
                                 "Account name"},
                      TagInField{"CutPassPhrase", WithTexts("b", "secret</Password>1"), {}, "Passphrase"},
                      TagInField{"PassPhraseHidingTheType",
                                 WithTexts("b", "x</Account><Account> <Type>secret</Type>"),
                                 {},
                                 "Passphrase"},
                      TagInField{"ContactInComment", Egold("7"),
                                 ContactRecord{"c", "", "", "", "<Contact><Name>x</Name></Contact>"},
                                 "Comment"}),
    [](const ::testing::TestParamInfo<TagInField>& info) { return std::string(info.param.what); });

// What the user may type reads back byte for byte: any byte but "<" and ">", also outside
// ISO-8859-1's letters (a password typed in another code page) and line breaks.
TEST(ProfileDocumentTest, EveryOtherByteReadsBack) {
  std::string all;
  for (int c = 0; c < 256; ++c)
    if (c != '<' && c != '>') all += static_cast<char>(c);
  ProfileModel m;
  AccountRecord a = WithTexts(all, all);
  a.APIname = all;
  m.AppendAccount(a);
  m.AddContact(ContactRecord{all, all, all, all, all});
  ASSERT_TRUE(m.SetRatesText(all));
  ProfileModel back;
  LoadProfile(back, BuildProfileDocument(m, true, kUs), kUs);
  EXPECT_EQ(back.Account(0).Name, all);
  EXPECT_EQ(back.Account(0).Password, all);
  EXPECT_EQ(back.Account(0).APIname, all);
  EXPECT_EQ(back.Contacts(), m.Contacts());
  EXPECT_EQ(back.RatesText, all);
}

TEST(ProfileDocumentTest, RecognisesDocumentsByTheirEnds) {
  EXPECT_TRUE(LooksLikeProfileDocument("<?nmr> <?end>"));
  EXPECT_TRUE(LooksLikeProfileDocument(kHeader));
  EXPECT_FALSE(LooksLikeProfileDocument("<?nm"));
  EXPECT_FALSE(LooksLikeProfileDocument(""));
  EXPECT_FALSE(LooksLikeProfileDocument(" <?nmr"));
  EXPECT_TRUE(HasProfileTrailer("<?nmr> <?end>"));
  EXPECT_FALSE(HasProfileTrailer("<?nmr> <?en"));
}

}  // namespace
}  // namespace nummora
