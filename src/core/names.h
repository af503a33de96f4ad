// Person names as sources write them: one parser for contents pages, meta
// tags, PDF information and XMP alike, so that every output gets each
// author's family and given names the right way round.
#ifndef PDFINDEX_CORE_NAMES_H_
#define PDFINDEX_CORE_NAMES_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pdfindex {

/// One person's name taken apart; UTF-8, "" where the name has no such part.
struct Person {
  std::string given;     ///< "Hanna", "H. K.", "K.-H."
  std::string family;    ///< "Varga", "Berg" (of "van der Berg")
  std::string particle;  ///< "van der", "de la", "von"
  std::string suffix;    ///< "Jr.", "III"
  /// The name as the source wrote it (marks and titles dropped), one
  /// person's worth of the text.
  std::string written;

  bool operator==(const Person&) const = default;
};

/// The persons that `text` names, in order: "Given Family", "Family, Given",
/// "Family Initials" ("Varga HK") and "Initials Family" ("H.K. Varga"),
/// with particles and suffixes, in lists separated by ",", ";", "and", "&"
/// and "et" where those separate persons ("Smith, J., Jones, K." is two).
/// "et al." and "and others" end the list.
std::vector<Person> ParsePersons(std::string_view text);
/// Appends ParsePersons(text) to `*persons`, each without its written
/// text, for callers that write names from their parts.
void AppendPersonParts(std::string_view text, std::vector<Person>* persons);

/// The names `text` holds, one person's written text each (see Person).
std::vector<std::string> SplitPersons(std::string_view text);
/// SplitPersons of each of `texts`, one after the other.
std::vector<std::string> SplitPersons(const std::vector<std::string>& texts);

/// True when `cp` is a capital letter of the scripts names are written in
/// (Latin, Greek, Cyrillic).
bool IsCapitalLetter(uint32_t cp);

/// The family name with its particle before it ("van der Berg").
std::string FullFamily(const Person& person);
/// FullFamily(person) appended to `out`.
void AppendFullFamily(std::string& out, const Person& person);

}  // namespace pdfindex

#endif  // PDFINDEX_CORE_NAMES_H_
