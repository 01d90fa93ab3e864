// The file of quillet-run --tests: one case a line, each the options of one
// run as a command line gives them, its name after '#':
//
//   # the multiplier, then the whole program
//   --reg DE=7 --reg BC=6 --call mul16 --expect HL=42    # mul16 7*6
//   --until done --expect-mem 0xC200=3f                  # fill
//   --until done --screen "after fill.png"
//
// A line is split into words at blanks (spaces and tabs). Quotes, '...' or
// "...", hold blanks and '#' within a word and are not part of it
// (--screen="a b.png" is the word --screen=a b.png); a quote of the other
// kind between them is an ordinary character. There are no escapes: a
// backslash is an ordinary character, as in a Windows path. A '#' that
// begins a word outside quotes begins the case's name, the rest of the line
// with the blanks around it taken off; a case without one is named by its
// words as the line writes them. A line without words (empty, blank, or a
// '#' comment) is no case. Lines end with LF or CR LF.
//
// A quote left open at the end of its line is an error:
// "FILE:LINE: unclosed quote in a case".
#pragma once

#include <string>
#include <vector>

namespace quillet::run {

struct TestCase {
    long line;                       // its line in the file, from 1
    std::vector<std::string> words;  // its options, one word each
    std::string name;
};

// The cases of `text`, the contents of the file `file`, appended to
// `cases`. Returns "" or the error (see above); on an error `cases` is as
// it was.
std::string read_test_list(const std::string& file, const std::string& text, std::vector<TestCase>* cases);

}  // namespace quillet::run
