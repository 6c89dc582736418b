#include "app/LibrarySchema.h"

#include <initializer_list>

namespace ny {

namespace {

// "insert into <table> <columns> values ('a','b');" per row, one after the other.
std::string Seed(const char* table, const char* columns,
                 std::initializer_list<std::initializer_list<const char*>> rows) {
  std::string s;
  for (const auto& row : rows) {
    s += "insert into ";
    s += table;
    s += ' ';
    s += columns;
    s += " values (";
    bool first = true;
    for (const char* v : row) {
      if (!first) s += ',';
      first = false;
      s += '\'';
      s += v;
      s += '\'';
    }
    s += ");";
  }
  return s;
}

std::string Subjects() {
  std::string s;
  for (const char* n :
       {"Actions", "War", "Detective", "Children", "Document", "Home", "Drama", "Journal",
        "History", "Classics", "Lyric", "Medic", "Science", "Songs", "Politics", "Adventure",
        "Psychology", "Religion", "Tales", "Dictionary", "Sport", "Verse", "Thriller",
        "Philosophy", "Fantasy", "Economy", "Erotic", "Humor", "Others"}) {
    s += std::string("insert into LSTSBJ (NAM,DIR) values ('") + n + "','" + n + "');";
  }
  return s;
}

}  // namespace

const std::array<std::string, 8>& LibrarySchemaSteps() {
  static const std::array<std::string, 8> steps = {
      "CREATE TABLE LSTDOC ( AUTHOR VARCHAR2(32) ,NAME VARCHAR2(64) ,SUBJ VARCHAR2(16) ,SIZE "
      "INTEGER ,SIZEARC INTEGER ,FILENAME VARCHAR2(128) ,ARCHNAME VARCHAR2(128) ,TEXT "
      "VARCHAR2(256));",
      "CREATE TABLE LSTSHW ( NAM VARCHAR2(32) ,RUN VARCHAR2(128));",
      Seed("LSTSHW", "(NAM,RUN)",
           {{"Txt", "NotePad"}, {"Rtf", "WordPad"}, {"Htm", "iExplore"}, {"Pdf", "AcroRd32"}}),
      "CREATE TABLE LSTARC ( USE VARCHAR2(1) ,NAM VARCHAR2(32) ,GET VARCHAR2(128) ,PUT "
      "VARCHAR2(128));",
      Seed("LSTARC", "(NAM,GET,PUT)",
           {{"NyH", "internal", "internal"},
            {"RAR", "rar e -y \"%a\" \"%p\"", "rar a -y \"%a\" \"%p\""},
            {"ZIP", "internal", "internal"},
            {"ARJ", "arj32 e \"%a\" \"%p\"", "arj32 a \"%a\" \"%p\""}}),
      "CREATE TABLE LSTSBJ ( NAM VARCHAR2(64) ,DIR VARCHAR2(128));",
      Subjects(),
      std::string("CREATE TRIGGER TBU_LSTSBJ BEFORE UPDATE ON LSTSBJ FOR EACH ROW BEGIN\t"
                  "SELECT RAISE(ROLLBACK, '") +
          kTriggerMessage +
          "')\t\tWHERE (select count(*) from LSTDOC where subj=OLD.nam)<>0; END;",
  };
  return steps;
}

}  // namespace ny
