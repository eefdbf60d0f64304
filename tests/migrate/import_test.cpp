// The import of an existing installation's export: a bad row anywhere stops it and leaves the
// target as it was, or goes to refused.csv; a target with users is merged into only when asked.
#include "ravochat/migration.h"

#include <gtest/gtest.h>

#include "ravochat/database.h"
#include "support/error_text.h"
#include "support/temp_database.h"
#include "support/temp_folder.h"

namespace ravochat::testing {
namespace {

constexpr char kHeader[] = "username,passwd,user_level,log_time\n";
constexpr char kAlice[] = "\"alice\",\"pw1\",3,\"12/07/26 04:13:25\"\n";
constexpr char kCarl[] = "\"carl\",\"pw3\",1,\"2026-12-01 10:00:00\"\n";

struct BadRow {
  const char* line;
  const char* error;
};

const BadRow kBadRows[] = {
    {R"("bob","pw2",1)", "user.csv line 3: 3 fields where the header names 4"},
    {R"("bob","pw2",1,"13/45/26 10:00:00")",
     "user.csv line 3, column log_time: not a date: 13/45/26 10:00:00"},
    {R"("bob","pw2",high,"12/07/26 04:13:25")",
     "user.csv line 3, column user_level: not a number: high"},
    {R"("bob smith","pw2",1,"12/07/26 04:13:25")",
     "user.csv line 3, column username: the name rules refuse the user name bob smith"},
    {R"("ALICE","pw2",1,"12/07/26 04:13:25")",
     "user.csv line 3, column username: the user name ALICE is already on line 2 (letter case "
     "aside)"},
    {R"("b","pw2",1,"12/07/26 04:13:25")",
     "user.csv line 3, column username: the user name b has the length 1, outside the settings' "
     "namelength to twice maxnamelength"},
};

class ImportTest : public ::testing::TestWithParam<Backend> {
 protected:
  migration::Report Import(const TempDatabase& db, bool skip_bad = false, bool merge = false) {
    migration::Options options;
    options.source = folder_.path();
    options.target = db.connstr();
    options.skip_bad = skip_bad;
    options.merge = merge;
    return migration::Import(options, clock_, [](const migration::TableCount&, bool) {});
  }
  // An export whose settings come before its users, with `bad` between two good users.
  void WriteExport(const std::string& bad) {
    folder_.Write("sysparam.csv", "alias,body\n\"maxpeople\",\"300\"\n");
    folder_.Write("user.csv", std::string(kHeader) + kAlice + bad + "\n" + kCarl);
  }

  TempFolder folder_;
  ManualClock clock_;
};

TEST_P(ImportTest, ABadRowStopsTheImportNamingItsLineAndChangesNothing) {
  for (const BadRow& bad : kBadRows) {
    TempDatabase db(false, ReachableBackend(GetParam()), false);
    WriteExport(bad.line);
    EXPECT_EQ(ErrorText<migration::MigrationError>([&] { Import(db); }), bad.error);
    EXPECT_EQ(db.Scalar("SELECT count(*) FROM user"), "0") << bad.line;
    EXPECT_EQ(db.Scalar("SELECT body FROM sysparam WHERE alias='maxpeople'"), "200");
  }
}

TEST_P(ImportTest, SkippingBadRowsImportsTheOthersAndListsTheBadOnes) {
  TempDatabase db(false, ReachableBackend(GetParam()), false);
  std::string bad_rows;
  for (const BadRow& bad : kBadRows) bad_rows.append(bad.line).append("\n");
  bad_rows.pop_back();
  WriteExport(bad_rows);
  folder_.Write("guestbook.csv", "ID,towho\n41,\"carl\"\n41,\"alice\"\n");
  const migration::Report report = Import(db, true);
  EXPECT_EQ(report.refused, 7u);
  EXPECT_EQ(db.Joined("SELECT towho FROM guestbook"), "carl");
  EXPECT_EQ(db.Joined("SELECT username FROM user ORDER BY username"), "alice,carl");
  EXPECT_EQ(db.Scalar("SELECT body FROM sysparam WHERE alias='maxpeople'"), "300");
  EXPECT_EQ(folder_.Read("refused.csv"),
            R"x(file,line,reason,record
"user.csv",3,"3 fields where the header names 4","""bob"",""pw2"",1"
"user.csv",4,"not a date: 13/45/26 10:00:00 (log_time)","""bob"",""pw2"",1,""13/45/26 10:00:00"""
"user.csv",5,"not a number: high (user_level)","""bob"",""pw2"",high,""12/07/26 04:13:25"""
"user.csv",6,"the name rules refuse the user name bob smith (username)","""bob smith"",""pw2"",1,""12/07/26 04:13:25"""
"user.csv",7,"the user name ALICE is already on line 2 (letter case aside) (username)","""ALICE"",""pw2"",1,""12/07/26 04:13:25"""
"user.csv",8,"the user name b has the length 1, outside the settings' namelength to twice maxnamelength (username)","""b"",""pw2"",1,""12/07/26 04:13:25"""
"guestbook.csv",3,"ID 41 is already on line 2 (ID)","41,""alice"""
)x");
}

TEST_P(ImportTest, ATargetWithUsersIsMergedIntoOnlyWhenAskedAndKeepsItsRows) {
  TempDatabase db(true, ReachableBackend(GetParam()));
  db.Exec("INSERT INTO user (username, passwd) VALUES ('Alice', 'kept')");
  folder_.Write("user.csv", std::string(kHeader) + kAlice + kCarl);
  EXPECT_EQ(ErrorText<migration::MigrationError>([&] { Import(db); }),
            "the target " + db::Redacted(db.connstr()) +
                " is not empty: its user table holds 1 rows; give --merge to add to them (its "
                "rows are kept)");
  const migration::Report report = Import(db, false, true);
  EXPECT_EQ(db.Joined("SELECT passwd FROM user ORDER BY username"), "kept,pw3");
  EXPECT_EQ(report.notes,
            (std::vector<std::string>{"the files are read as UTF-8 (detected)",
                                      "user.csv line 2: the target's user alice is kept"}));
}

INSTANTIATE_TEST_SUITE_P(Db, ImportTest, kBothBackends, BackendName);

}  // namespace
}  // namespace ravochat::testing
