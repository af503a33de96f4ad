#include "core/names.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace pdfindex {
namespace {

// "Family/Given", with " p:particle" and " s:suffix" where there are such,
// persons joined by "; ".
std::string Show(const std::vector<Person>& persons) {
  std::string out;
  for (const Person& p : persons) {
    if (!out.empty()) out += "; ";
    out += p.family + "/" + p.given;
    if (!p.particle.empty()) out += " p:" + p.particle;
    if (!p.suffix.empty()) out += " s:" + p.suffix;
  }
  return out;
}

TEST(NamesTest, RealWorldForms) {
  struct Case {
    const char* text;
    const char* persons;
  };
  const Case kCases[] = {
      // Given Family
      {"John Smith", "Smith/John"},
      {"Mary Ann Jones", "Jones/Mary Ann"},
      {"Hanna Varga", "Varga/Hanna"},
      {"José Álvarez", "Álvarez/José"},
      {"Madonna", "Madonna/"},
      {"王小明", "王小明/"},
      {"John K. Smith", "Smith/John K."},
      // Initials Family
      {"H. Varga", "Varga/H."},
      {"H.K. Varga", "Varga/H. K."},
      {"H. K. Varga", "Varga/H. K."},
      {"HK Varga", "Varga/H. K."},
      {"K.-H. Müller", "Müller/K.-H."},
      {"J.-P. Sartre", "Sartre/J.-P."},
      {"G.Smith", "Smith/G."},
      {"G.H.Smith", "Smith/G. H."},
      {"É. Zola", "Zola/É."},
      // Family Initials
      {"Varga H", "Varga/H."},
      {"Varga HK", "Varga/H. K."},
      {"Varga H.K.", "Varga/H. K."},
      {"Okonkwo L.", "Okonkwo/L."},
      {"Müller-Lüdenscheidt KH", "Müller-Lüdenscheidt/K. H."},
      {"Garcia Marquez G", "Garcia Marquez/G."},
      {"van der Berg J", "Berg/J. p:van der"},
      {"O'Brien P", "O'Brien/P."},
      {"Lee JH", "Lee/J. H."},
      {"Ørsted HC", "Ørsted/H. C."},
      // Family, Given
      {"Smith, John", "Smith/John"},
      {"Smith, J.", "Smith/J."},
      {"Smith, JK", "Smith/J. K."},
      {"Smith, John Paul", "Smith/John Paul"},
      {"Garcia Marquez, Gabriel", "Garcia Marquez/Gabriel"},
      {"Van der Berg, J.", "Berg/J. p:Van der"},
      {"van Beethoven, Ludwig", "Beethoven/Ludwig p:van"},
      {"de la Cruz, Maria", "Cruz/Maria p:de la"},
      {"Müller, K.-H.", "Müller/K.-H."},
      // Particles
      {"Ludwig van Beethoven", "Beethoven/Ludwig p:van"},
      {"J. van der Berg", "Berg/J. p:van der"},
      {"Maria de la Cruz", "Cruz/Maria p:de la"},
      {"Otto von Bismarck", "Bismarck/Otto p:von"},
      {"Luiz da Silva", "Silva/Luiz p:da"},
      {"Vincent Van Gogh", "Gogh/Vincent p:Van"},
      {"de Gaulle", "Gaulle/ p:de"},
      // Suffixes
      {"Martin Luther King Jr.", "King/Martin Luther s:Jr."},
      {"John Smith III", "Smith/John s:III"},
      {"Smith, John, Jr.", "Smith/John s:Jr."},
      {"Smith, Jr., John", "Smith/John s:Jr."},
      {"Smith Jr", "Smith/ s:Jr"},
      {"J. van der Berg Jr.", "Berg/J. p:van der s:Jr."},
      // Marks and titles
      {"John Smith1,2, Jane Doe3", "Smith/John; Doe/Jane"},
      {"John Smith*, Jane Doe\xE2\x80\xA0", "Smith/John; Doe/Jane"},
      {"Smith J\xC2\xB9", "Smith/J."},
      {"Dr. John Smith", "Smith/John"},
      {"Prof. H. Varga", "Varga/H."},
      // Lists
      {"Varga H, Okonkwo L", "Varga/H.; Okonkwo/L."},
      {"Varga H, Brandt E", "Varga/H.; Brandt/E."},
      {"Kumar R, {Varga H, Brandt E}", "Kumar/R.; Varga/H.; Brandt/E."},
      {"Kumar R, Varga H, Brandt E", "Kumar/R.; Varga/H.; Brandt/E."},
      {"Van der Berg, J.; Müller, K.-H.", "Berg/J. p:Van der; Müller/K.-H."},
      {"Smith, J., Jones, K.", "Smith/J.; Jones/K."},
      {"Smith, J., Jones, K., and Brown, L.", "Smith/J.; Jones/K.; Brown/L."},
      {"Smith, John, Jones, Kate", "Smith/John; Jones/Kate"},
      {"John Smith and Jane Doe", "Smith/John; Doe/Jane"},
      {"John Smith & Jane Doe", "Smith/John; Doe/Jane"},
      {"J. Smith, K. Jones and L. Brown", "Smith/J.; Jones/K.; Brown/L."},
      {"J. Smith, K. Jones, and L. Brown", "Smith/J.; Jones/K.; Brown/L."},
      {"Smith J, Jones K, Brown L", "Smith/J.; Jones/K.; Brown/L."},
      {"Smith J; Jones K", "Smith/J.; Jones/K."},
      {"Pierre Curie et Marie Curie", "Curie/Pierre; Curie/Marie"},
      {"Smith, J. and Jones, K.", "Smith/J.; Jones/K."},
      {"John Smith, Jr., Jane Doe", "Smith/John s:Jr.; Doe/Jane"},
      {"Smith J, Jones K, et al.", "Smith/J.; Jones/K."},
      {"John Smith et al", "Smith/John"},
      {"John Smith and others", "Smith/John"},
      {"Anderson, Mary", "Anderson/Mary"},
      {"Dandy R, Etienne P", "Dandy/R.; Etienne/P."},
      // Separators the quick look for one-person texts must not miss, and
      // words that only start like them.
      {"Smith J AND Jones K", "Smith/J.; Jones/K."},
      {"Hans Meier und Eva Braun", "Meier/Hans; Braun/Eva"},
      {"Smith J;Jones K", "Smith/J.; Jones/K."},
      {"Smith J (et al.)", "Smith/J."},
      {"ANNA Berg", "Berg/ANNA"},
      {"  ", ""},
      {"", ""},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(Show(ParsePersons(c.text)), c.persons) << c.text;
  }
  EXPECT_GE(std::size(kCases), 60U);
}

// Each person's written text names that person alone, so a source that
// keeps one name per entry and the exports that take the entries apart
// agree.
TEST(NamesTest, WrittenNamesParseAgainAlike) {
  for (const char* text :
       {"Van der Berg, J.; Müller, K.-H.", "Smith, Jr., John, Jones, K.", "Varga H, Okonkwo L",
        "John Smith, Jr., Jane Doe", "Smith, J., Jones, K., and Brown, L."}) {
    const std::vector<Person> persons = ParsePersons(text);
    for (const Person& person : persons) {
      const std::vector<Person> again = ParsePersons(person.written);
      ASSERT_EQ(again.size(), 1U) << person.written;
      EXPECT_EQ(again[0], person) << person.written;
    }
  }
}

}  // namespace
}  // namespace pdfindex
