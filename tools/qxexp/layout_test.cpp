#include "layout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LayoutTest, ReadsFieldsWithTheLanguagesOwnSyntax) {
  Layout layout;
  std::string error;
  ASSERT_TRUE(ParseLayout("# orders\n"
                          "order\tdb 0 4 int   # the number\n"
                          "\n"
                          "  name  DB 4 12 CHAR 0.0\r\n"
                          "price db 16 5 decimal 9.2\n"
                          "source qx 40 8 char\n",
                          "orders.layout", &layout, &error))
      << error;
  ASSERT_EQ(layout.fields.size(), 4u);
  EXPECT_EQ(layout.data_length, 21);
  const LayoutField& name = layout.fields[1];
  EXPECT_EQ(name.name, "name");
  EXPECT_EQ(name.text, "db 4 12 char 0.0");
  EXPECT_EQ(name.field.offset, 390);
  EXPECT_EQ(name.start, 4);
  EXPECT_FALSE(name.in_header);
  EXPECT_EQ(name.line, 4);
  EXPECT_EQ(layout.fields[2].field.attr2, 2);
  const LayoutField* source = layout.Find("source");
  ASSERT_NE(source, nullptr);
  EXPECT_TRUE(source->in_header);
  EXPECT_EQ(source->start, 40);
  EXPECT_EQ(layout.Find("missing"), nullptr);
}

struct BadLayout {
  const char* text;
  const char* error;
};

class BadLayoutTest : public ::testing::TestWithParam<BadLayout> {};

TEST_P(BadLayoutTest, SaysWhereAndWhy) {
  Layout layout;
  std::string error;
  EXPECT_FALSE(ParseLayout(GetParam().text, "l", &layout, &error));
  EXPECT_EQ(error.rfind(GetParam().error, 0), 0u) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BadLayoutTest,
    ::testing::Values(
        BadLayout{"", "l: the layout names no field"}, BadLayout{"# only a comment\n", "l: the layout names no field"},
        BadLayout{"9lives db 0 4 int\n", "l:1:1: \"9lives\" is no field name"},
        BadLayout{"a-b db 0 4 int\n", "l:1:1: \"a-b\" is no field name"},
        BadLayout{"rec_id db 0 4 int\n", "l:1:1: the name rec_id is taken"},
        BadLayout{"a db 0 4 int\n  a db 4 4 int\n", "l:2:3: the field name a is used twice"},
        BadLayout{"a\n", "l:1:2: a field reference must follow the name a"},
        BadLayout{"a db 0 3 int\n", "l:1:10: not a field reference: QX_STATUS_BAD_LENGTH (-6)"},
        BadLayout{"a db 0 4 integer\n", "l:1:10: not a field reference: QX_STATUS_UNKNOWN_WORD (-5)"},
        BadLayout{"a db 0 10 char\n", "l:1:15: not a field reference: QX_STATUS_END_OF_TEXT (-16): the text is empty, "
                                      "or it ended where more words were needed (char fields of the record data take "
                                      "an attribute pair such as 0.0)"},
        BadLayout{"a val 4 int 1\n", "l:1:3: not a field reference: write qx or db"},
        BadLayout{"a db 0 4 int db 4 4 int\n", "l:1:14: only one field reference may follow the name"},
        BadLayout{"a db 0 0 decimal 1.0\n", "l:1:3: the field length must be at least 1"},
        BadLayout{"a db -4 4 int\n", "l:1:3: the field lies outside header and data"},
        BadLayout{"a qx 384 4 int\n", "l:1:3: the field lies outside header and data"},
        BadLayout{"a qx 382 4 int\n", "l:1:3: a qx field must lie within the 384-byte header"},
        BadLayout{"a qx 2 4 int\n", "l:1:3: the field overlaps the rec_id"},
        BadLayout{"a qx 14 1 int\n", "l:1:3: the field overlaps the record kind"},
        BadLayout{"a qx 379 2 int\n", "l:1:3: the field overlaps the data length"},
        BadLayout{"a db 65146 2 int\n", "l:1:3: the field ends beyond the largest record data"},
        BadLayout{"a db 0 4 int\nb db 3 2 int\n", "l:2:3: the field overlaps the field a (line 1)"}));

TEST(LayoutTest, FilesThatCannotBeReadAreNamed) {
  Layout layout;
  std::string error;
  EXPECT_FALSE(ReadLayout("no such layout file", &layout, &error));
  EXPECT_EQ(error.rfind("cannot open no such layout file: ", 0), 0u) << error;
}

}  // namespace
