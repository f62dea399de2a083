// The symmetry-check reader: tokens, grammar and errors of the designer's
// file; the matcher's blocks in canonical form, once each, with their keys.
#include <gtest/gtest.h>

#include <string>

#include "SymSupport.h"

namespace {

using checksym_test::SymTest;

std::string parseError(int line, const std::string& near, const char* what = "parse error")
{
  return "******  " + std::string(what) + " in line " + std::to_string(line) + " at or near " +
         near + " ******\n";
}

struct Case {
  const char* what;
  std::string text;
  const char* list;   // the parsed list, see SymTest::list
  std::string error;  // standard error; empty: the read succeeds
};

class DesignerFile : public SymTest, public ::testing::WithParamInterface<Case> {};

TEST_P(DesignerFile, ParsesToList)
{
  const Case& c = GetParam();
  EXPECT_EQ(parse(c.text), c.error.empty() ? 0 : 1) << c.what;
  EXPECT_EQ(list(), c.list) << c.what;
  EXPECT_EQ(err, c.error) << c.what;
  EXPECT_EQ(Startblock, 0) << c.what;
}

const std::string longName = "m_1234567890";  // 12 characters
const std::string longRun = "M" + std::string(100, '7');

INSTANTIATE_TEST_SUITE_P(
    Cases, DesignerFile,
    ::testing::Values(
        Case{"empty file", "", "", ""},
        Case{"pair without blanks", "M1=M2", "M1=M2", ""},
        Case{"items come out in reverse order", "M1 = M2\nmn3 = MP_4\nm_5 = M_6\n",
             "m_5=M_6; mn3=MP_4; M1=M2", ""},
        Case{"resistor pair with an integer spacing", "R1 = R2 s = 3", "R1=R2 s=3", ""},
        Case{"resistor pair with a decimal spacing", "r1 = r2 s=2.5", "r1=r2 s=2.5", ""},
        Case{"spacing with a sign and no leading digit", "r1 = r2 s = -.5", "r1=r2 s=-0.5", ""},
        Case{"resistor pair without a spacing", "R1 = R2\nR3 = R4", "R3=R4; R1=R2", ""},
        Case{"capacitor and inductor pairs", "C1 = C2 I3 = i4", "I3=i4; C1=C2", ""},
        Case{"net pair is kept inside a block only", "N1 = N2 { n3 = n4 }", "{n3=n4}", ""},
        Case{"block: pairs in reverse, reference ignored",
             "{ M3 = M4 M5 = M6 } : M7\nM8 = M9", "M8=M9; {M5=M6 M3=M4}", ""},
        Case{"comments between items and inside blocks",
             "// head\nM1 = M2 // after\n{ // open\n M3 = M4\n // between\n R1 = R2 s = 1\n}\n// tail",
             "{R1=R2 s=1 M3=M4}; M1=M2", ""},
        Case{"lone letters m and x are skipped", "m M1 = M2 x", "M1=M2", ""},
        Case{"lines ended by CR LF", "// c\r\nM1 = M2\r\n{ M3 = M4\r\n}\r\n", "{M3=M4}; M1=M2", ""},
        Case{"name of 11 characters", "m_123456789 = m_987654321", "m_123456789=m_987654321", ""},
        // Errors: the first one ends the read, what was stored stays.
        Case{"transistor paired with a net", "M1 = N2", "", parseError(1, "N2")},
        Case{"a word of two letters", "mx", "", parseError(1, "mx")},
        Case{"letters after a name", "M1a = M2", "", parseError(1, "M1a")},
        Case{"spacing on a transistor pair", "M1 = M2 s = 3", "M1=M2", parseError(1, "s")},
        Case{"spacing without a number", "R1 = R2 s = x\n", "", parseError(2, "end of file")},
        Case{"number where a name belongs", "M1 = M2\n12", "M1=M2", parseError(2, "12")},
        Case{"decimal where a name belongs", "1.5", "", parseError(1, "1.5")},
        Case{"error names its line", "M1 = M2\n\n// c\nM3 = C4\n", "M1=M2", parseError(4, "C4")},
        Case{"comment inside a pair", "M1 = // c\nM2", "", parseError(1, "// c")},
        Case{"file ends inside a pair", "M1 = M2\nM3 =", "M1=M2", parseError(2, "end of file")},
        Case{"empty block", "{ }", "=", parseError(1, "}")},
        Case{"unclosed block", "{ M1 = M2", "{M1=M2}", parseError(1, "end of file")},
        Case{"block inside a block", "{ M1 = M2 { M3 = M4 } }", "{M1=M2}", parseError(1, "{")},
        Case{"reference that is not a transistor", "{ M1 = M2 } : N3", "{M1=M2}",
             parseError(1, "N3")},
        Case{"name of 12 characters", "M1 = M2\n" + longName + " = m_1", "M1=M2",
             parseError(2, longName, "name longer than 11 characters")},
        Case{"long reference", "{ M1 = M2 } : " + longName, "{M1=M2}",
             parseError(1, longName, "name longer than 11 characters")},
        Case{"run longer than a token's text", longRun + " = M1", "",
             parseError(1, longRun.substr(0, 31), "name longer than 11 characters")},
        Case{"word longer than a token's text", std::string(500, 'x'), "",
             parseError(1, std::string(31, 'x'))}));

TEST_F(SymTest, SkippedCharactersAreCopiedToStandardOutput)
{
  ASSERT_EQ(parse("m M1 = M2; x\n"), 0);
  EXPECT_EQ(out, "m   ; x");
  out.clear();
  Debug_flag = 1;
  ASSERT_EQ(parse("{M1=M2}//c\n"), 0);
  Debug_flag = 0;
  EXPECT_EQ(out, "{M1=M2}//c");
}

TEST_F(SymTest, LineCounterStartsAgainForEachFile)
{
  ASSERT_EQ(parse("M1 = M2\n\n\n"), 0);
  EXPECT_EQ(linenum, 4);
  EXPECT_EQ(parse("M1 = C2"), 1);
  EXPECT_EQ(err, parseError(1, "C2"));
}

TEST_F(SymTest, ReadReplacesTheListAndClearsTheResults)
{
  ASSERT_EQ(parse("M1 = M2"), 0);
  final_sym_list = new _sym_constraint_list{1, nullptr, nullptr, nullptr, 0, 10, 1, nullptr, nullptr};
  final_res_sym_list = new _res_sym_constraint_list{1, nullptr, nullptr, 0, 10, 1, -1.0, nullptr};
  block_number = 7;
  ASSERT_EQ(parse("M3 = M4"), 0);
  EXPECT_EQ(list(), "M3=M4");
  EXPECT_EQ(final_sym_list, nullptr);
  EXPECT_EQ(final_res_sym_list, nullptr);
  EXPECT_EQ(block_number, 1);
}

// ---------------------------------------------------------------------------
// The matcher's output.
// ---------------------------------------------------------------------------

TEST_F(SymTest, MatcherBlockIsCanonicalAndKeyed)
{
  // Each pair with the smaller number first, pairs by their first number.
  ASSERT_EQ(parse("{\n mn_5 = mn_2\n mp_1 = mp_3\n} : mn_9\n// diffpair\nmn_4 = mn_6\n", true), 0);
  EXPECT_EQ(list(), "=; {mp_1=mp_3:mn_9 mn_2=mn_5:mn_9}");
  // The blanks are echoed; the key is printed once the block has ended.
  EXPECT_EQ(out, std::string(8, ' ') + "##### => key = mp_1mp_3mn_2mn_5\n  ");
  EXPECT_EQ(lastSymlist_elem, SymStart->next);
}

TEST_F(SymTest, EqualMatcherBlocksAreKeptOnce)
{
  ASSERT_EQ(parse("{ m_1 = m_2 m_3 = m_4 }\n"
                  "{ m_7 = m_8 }\n"
                  "{ m_4 = m_3 m_2 = m_1 }\n"  // swapped sides, other order
                  "{ m_3 = m_4 m_1 = m_2 } : m_9\n"
                  "{ m_2 = m_1 }\n",
                  true),
            0);
  EXPECT_EQ(list(), "=; {m_1=m_2 m_3=m_4}; {m_7=m_8}; {m_1=m_2}");
  EXPECT_EQ(lastSymlist_elem->block->name2, std::string("m_2"));
}

TEST_F(SymTest, MatcherBlocksOfLongKeysDifferInTheirLastPair)
{
  // 60 pairs of 11-character names: keys of 1320 characters, longer than
  // a hash entry keeps.
  auto block = [](int last) {
    std::string b = "{\n";
    for (int i = 0; i < 60; ++i)
      b += "m_" + std::to_string(100000000 + 2 * i) + " = m_" +
           std::to_string(i == 59 ? last : 100000001 + 2 * i) + "\n";
    return b + "}\n";
  };
  ASSERT_EQ(parse(block(100000119) + block(100000999) + block(100000119), true), 0);
  int blocks = 0;
  for (const _symlist* e = SymStart; e; e = e->next)
    blocks += e->type;
  EXPECT_EQ(blocks, 2);
}

TEST_F(SymTest, EmptyMatcherBlockHasAnEmptyKey)
{
  ASSERT_EQ(parse("{ // nothing found\n}\n", true), 0);
  EXPECT_NE(out.find("$$$$$$   Sanity Check : Key is empty!\n\n"), std::string::npos);
}

TEST_F(SymTest, MatcherReadAgainKeepsItsBlocks)
{
  const char* text = "{ m_1 = m_2 }\n";
  ASSERT_EQ(parse(text, true), 0);
  ASSERT_EQ(parse(text, true), 0);
  EXPECT_EQ(list(), "=; {m_1=m_2}");
}

TEST_F(SymTest, MatcherErrorKeepsTheBlocksBeforeIt)
{
  EXPECT_EQ(parse("m_7 = m_8\n{ m_1 = m_2 }\n{ m_3 = m_4\n m_5 = \n}", true), 1);
  EXPECT_EQ(list(), "=; {m_1=m_2}");
  EXPECT_EQ(err, parseError(5, "}"));
  EXPECT_EQ(Startblock, 0);
}

TEST_F(SymTest, DumpOfTheMatcherList)
{
  ASSERT_EQ(parse("{ m_2 = m_1 m_3 = m_4 } : m_5\n{ m_6 = m_7 }\n", true), 0);
  out.clear();
  WriteSymCheckOutput();
  EXPECT_EQ(out,
            "\n\nJust to see if the text input is parsed correctly!\n"
            "name1 =  name2= \n"
            "\nInside a block\n"
            "name1 = m_1 name2= m_2 name3 = m_5\n"
            "name1 = m_3 name2= m_4 name3 = m_5\n"
            "\nDone with the block\n\n"
            "\nInside a block\n"
            "name1 = m_6 name2= m_7 \n"
            "\nDone with the block\n\n"
            "\n\n\nDone with checking\n\n");
}

TEST(SymHash, KeysSpreadOverTheTable)
{
  EXPECT_EQ(computeHash("", 101), 0);
  EXPECT_EQ(computeHash("a", 101), 97);
  EXPECT_EQ(computeHash("ab", 101), (97 * 37 + 98) % 101);
  EXPECT_EQ(computeHash("\xff", 101), 100);  // signed characters: -1
  // 37 to the 7th exceeds 32 bits: the sum wraps like a 32-bit int
  // (worked out apart: -2144294569 for "mn_1mn_2", 71 modulo 101).
  EXPECT_EQ(computeHash("mn_1mn_2", 101), 71);
}

TEST_F(SymTest, HashFindsWholeKeysOnly)
{
  InitSYMHash();
  _symlist element{};
  EXPECT_EQ(InsertSYMToHash("m_1m_2", &element), 1);
  EXPECT_EQ(InsertSYMToHash("m_1m_2", nullptr), 0);
  ASSERT_NE(FindSymPosinHash("m_1m_2"), nullptr);
  EXPECT_EQ(FindSymPosinHash("m_1m_2")->sym, &element);
  EXPECT_EQ(FindSymPosinHash("m_1m_"), nullptr);
  EXPECT_EQ(FindSymPosinHash("m_1m_22"), nullptr);
  EXPECT_EQ(SYMHash->tablesize, 101);
}

}  // namespace
