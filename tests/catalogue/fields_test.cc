// The fields the readers fill for the PDFs of the example archive.
#include "text/fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "readers/registry.h"
#include "text/page.h"
#include "run/run.h"
#include "text/escape.h"
#include "text/plain_text.h"
#include "fake_disk.h"
#include "test_util.h"

namespace pdfindex {
namespace {

std::vector<IssueRecord> ExampleRecords() {
  FakeDisk disk;
  disk.AddRealFiles(PDFINDEX_EXAMPLES "/archive", "");
  FakeConsole console;
  std::vector<IssueRecord> issues;
  const OutputRequest collect{
      "records", [&issues](ByteSink& out) { return std::make_unique<RecordingSink>(out, &issues); }};
  EXPECT_TRUE(RunCatalogue(disk, console, nullptr, {collect}).ok());
  return issues;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) out += (out.empty() ? "" : "|") + name;
  return out;
}

// Every PDF of the example archive with the fields its reader fills (authors
// joined by "|"); PDFs that no page describes have none.
// FirstTagOf ends a text where cutting it before each tag in turn does.
TEST(FieldsTest, FirstTagOfCutsLikeEachTagInTurn) {
  static constexpr std::string_view kTags[] = {"</td", "<tr", "<li", "</li", "<p", "</table"};
  const std::string_view texts[] = {"",
                                    "no tags",
                                    "A. Smith<br>Pages 1-2</TD><tr>",
                                    "x<LI>y</td>",
                                    "<p>",
                                    "<",
                                    "a<",
                                    "</ta",
                                    "</TABLE",
                                    "<<tr",
                                    "</</td",
                                    "x <P class=1>",
                                    "names</Li",
                                    "<t<r<l<i"};
  for (const std::string_view text : texts) {
    std::string_view cut = text;
    for (const std::string_view tag : kTags) cut = Before(cut, tag);
    EXPECT_EQ(FirstTagOf(text, kTags), cut.size()) << text;
  }
}

// LinedTextBefore gives what LinedText cut by FirstTagOf gives, from every
// offset: tags at a line's start or end, split by a line end, after an
// empty line.
TEST(FieldsTest, LinedTextBeforeCutsLikeLinedTextCutByFirstTagOf) {
  static constexpr std::string_view kTags[] = {"</td", "<tr", "<li", "<p"};
  const std::string_view pages[] = {"A. Smith\nJ. Doe<br>\nPages 1-2</td>",
                                    "names\r\n<tr>\r\nmore",
                                    "split <t\nr> and <l\r\ni> then <p",
                                    "first\n\n<li>after an empty line",
                                    "no tag\nat all\n"};
  for (const std::string_view bytes : pages) {
    const Page page(bytes);
    const size_t size = page.Text().size();
    for (size_t begin = 0; begin <= size; ++begin) {
      for (const size_t end : {begin + 3, begin + 12, size}) {
        std::string lined = LinedText(page, begin, end);
        lined.resize(FirstTagOf(lined, kTags));
        EXPECT_EQ(LinedTextBefore(page, begin, end, kTags), lined) << bytes << " " << begin;
      }
    }
  }
}

TEST(FieldsTest, TheExampleArchiveGivesEachPdfItsEntrysFields) {
  struct Row {
    const char* pdf;
    const char* authors;
    const char* title;
    const char* container;
    const char* volume;
    const char* issue;
    const char* year;
    const char* first_page;
    const char* last_page;
  };
  const Row rows[] = {
      {"AmChemSoc/Vol 123 No 5/ja015420.pdf", "Hana Holm|Ivo Ilic", "Water That Counts Backwards",
       "J. Imag. Chem. Soc.", "123", "", "2001", "760", "771"},
      {"AmChemSoc/Vol 123 No 5/ja015501.pdf", "Anna Ames|Ben Bell",
       "Bright Rings from Folded Chains", "J. Imag. Chem. Soc.", "123", "", "2001", "801", "809"},
      {"AmChemSoc/Vol 123 No 5/ja015502.pdf", "Chen Cho", "Slow Proton Walks in Imaginary Ice",
       "Journal of the Imaginary Chemical Society", "123", "5", "2001", "810", "818"},
      {"AmChemSoc/Vol 123 No 5/ja015503.pdf", "Dora Diaz|Emil Engel|Farah Fox",
       "A Catalyst That Was Never There", "Journal of the Imaginary Chemical Society", "123", "5",
       "2001", "819", "826"},
      {"AmChemSoc/Vol 123 No 5/ja015504.pdf", "Gus Grant", "Green Light from a Grey Solid",
       "J. Imag. Chem. Soc.", "123", "", "2001", "827", "828"},
      {"AmChemSoc/Vol 123 No 5/ja015599.pdf", "", "", "", "", "", "", "", ""},
      {"AmInstPhys/J Appl Things Vol 91 No 1/JAT0910001.pdf", "A. Moreau|K. Lindgren|P. Osei",
       "Thermal transport in thin Si1-xGex membranes", "Journal of Applied Things", "91", "1", "",
       "", ""},
      {"AmInstPhys/J Appl Things Vol 91 No 1/JAT0910002.pdf", "M. Tanaka|S. Okafor",
       "Electron mobility in strained made-up heterostructures at 4.2 K",
       "Journal of Applied Things", "91", "1", "", "", ""},
      {"AmInstPhys/J Appl Things Vol 91 No 1/JAT0910003.pdf", "L. Varga",
       "Photoluminescence of Er3+ ions in imaginary glasses", "Journal of Applied Things", "91",
       "1", "", "", ""},
      {"AmInstPhys/J Appl Things Vol 91 No 1/JAT0910004.pdf", "P. Lindqvist|H. Abara",
       "Dielectric breakdown in thin made-up polymer films", "Journal of Applied Things", "91", "1",
       "", "", ""},
      {"AmInstPhys/J Appl Things Vol 91 No 1/JAT0910007.pdf", "R. Haas|T. Nwosu",
       "Magnetic ordering in layered made-up oxides", "Journal of Applied Things", "91", "1", "",
       "", ""},
      {"AmInstPhys/J Appl Things Vol 91 No 1/JAT0910099.pdf", "", "", "", "", "", "", "", ""},
      {"AmMathSoc/BullNMU-v38n02/S2273-0979-01-00901-5.pdf", "Nadia Okonkwo",
       "Twenty years of random matrix universality", "Bull. Northern Math. Union", "38", "2",
       "2001", "127", "160"},
      {"AmMathSoc/BullNMU-v38n02/S2273-0979-01-00902-3.pdf", "Pieter van Dalen|Sung-Min Cho",
       "Mirror symmetry for the working topologist", "Bull. Northern Math. Union", "38", "2",
       "2001", "161", "199"},
      {"AmMathSoc/BullNMU-v38n02/S2273-0979-01-00905-8.pdf", "Gwendolyn Price",
       "Harmonic analysis on semigroups, by Lucien Marchetti", "Bull. Northern Math. Union", "38",
       "2", "2001", "201", "205"},
      {"AmMathSoc/BullNMU-v38n02/S2273-0979-01-00906-6.pdf", "Ruth Adeyemi",
       "Lectures on moduli of curves, by A. Brandt and K. Oyelaran", "Bull. Northern Math. Union",
       "38", "2", "2001", "207", "212"},
      {"AmMathSoc/ProcNMU-v129n03/S1077-4410-01-05801-2.pdf", "Marta Kowalczyk|Henrik Solberg",
       "Rigidity of finite lattice groups acting on trees", "Proc. Northern Math. Union", "129",
       "3", "2001", "631", "640"},
      {"AmMathSoc/ProcNMU-v129n03/S1077-4410-01-05802-0.pdf", "João P. Ferreira",
       "A note on the spectrum of weighted shift operators", "Proc. Northern Math. Union", "129",
       "3", "2001", "641", "647"},
      {"AmMathSoc/ProcNMU-v129n03/S1077-4410-01-05804-7.pdf", "Eleanor Whitcombe",
       "Hereditarily indecomposable continua with trivial shape", "Proc. Northern Math. Union",
       "129", "3", "2001", "659", "664"},
      {"AmMathSoc/ProcNMU-v129n03/S1077-4410-01-05899-0.pdf", "", "", "", "", "", "", "", ""},
      {"Elsevier/Examples Letters Vol 12 Issue 3/EXL12003101.pdf", "K. Brandt|E. Nakamura",
       "Cold collisions of imaginary molecules", "Examples Letters", "12", "3", "", "101", "106"},
      {"Elsevier/Examples Letters Vol 12 Issue 3/EXL12003107.pdf", "C. Castellanos",
       "A made-up route to ortho-substituted rings", "Examples Letters", "12", "3", "", "107",
       "113"},
      {"Embo/Vol 20 No 1/mt0101.pdf", "L. Ortega|M. Haas|P. Ilic",
       "Folding pathways of a small made-up protein", "J. Mol. Things", "20", "1", "2001", "1",
       "12"},
      {"Embo/Vol 20 No 1/mt0113.pdf", "R. Kumar|S. Lind",
       "A second look at membrane shuttles in yeast", "J. Mol. Things", "20", "1", "2001", "13",
       "24"},
      {"Embo/Vol 20 No 1/mt0125.pdf", "T. Brandt", "Signalling by imaginary kinases",
       "J. Mol. Things", "20", "1", "2001", "25", "31"},
      {"Embo/Vol 20 No 1/mt0199.pdf", "", "", "", "", "", "", "", ""},
      {"JBCOnline/v279n02/M308817200.pdf", "Helena M. Varga|Piotr Lindqvist|Ruth O. Abernathy",
       "Calcium-dependent Docking of a Kinase Adaptor at the Plasma Membrane", "J. Biocatal. Res.",
       "279", "2", "2004", "1021", "1030"},
      {"JBCOnline/v279n02/M309124200.pdf", "Tomoko Iwasaki|Daniel F. Kerrigan",
       "A Second Phosphorylation Site Controls the Turnover of Receptor Tyrosine Phosphatase β",
       "J. Biocatal. Res.", "279", "2", "2004", "1031", "1039"},
      {"JBCOnline/v279n02/M310455200.pdf",
       "Marta Quintero-Ruiz|Owen B. Heller|Sunil K. Rao|Ingrid Nygård",
       "Crystal Structure of a Thermostable Glycerol Dehydratase from Thermus aquaticus",
       "J. Biocatal. Res.", "279", "2", "2004", "1040", "1052"},
      {"JBCOnline/v279n02/M310502200.pdf", "Colin P. Ashworth",
       "Folding Intermediates of Apomyoglobin Trapped by Rapid Mixing", "J. Biocatal. Res.", "279",
       "2", "2004", "1053", "1060"},
      {"JBCOnline/v279n02/M312000100.pdf", "", "", "", "", "", "", "", ""},
      {"JBCOnline/v279n03/M311020200.pdf", "Beatrix L. Szabó|Aaron N. Whitfield|Gu Mei",
       "Kinetic Isotope Effects Reveal a Stepwise Hydride Transfer in Dihydroorotate Oxidase",
       "J. Biocatal. Res.", "279", "3", "2004", "1847", "1855"},
      {"JBCOnline/v279n03/M311377200.pdf", "Felix Oyelaran|Hanne S. Bruun",
       "An Allosteric Switch in Phosphofructokinase from a Deep-sea Archaeon (Correction)",
       "J. Biocatal. Res.", "279", "3", "2004", "2690", ""},
      {"Physics Letters Archive/Vol 210 Issue 3/pla210-3-201.pdf", "R. Olsen|N. Fischer",
       "Quantum dots in an imaginary field", "Physics Letters Archive", "210", "3", "", "", ""},
      {"Physics Letters Archive/Vol 210 Issue 3/pla210-3-209.pdf", "T. Szabo",
       "Tunnelling through made-up barriers", "Physics Letters Archive", "210", "3", "", "", ""},
      {"ScienceDirect/CompModChem-v8n2/101-112.pdf", "P. Novak|H. Sato",
       "Lattice sums for imaginary crystals", "Computational Models in Chemistry", "8", "2", "",
       "101", "112"},
      {"ScienceDirect/CompModChem-v8n2/113-120.pdf", "E. Okafor", "A toy model of solvent shells",
       "Computational Models in Chemistry", "8", "2", "", "113", "120"},
      {"ScienceDirect/CompModChem-v8n2/121.pdf", "R. Iversen", "Book review",
       "Computational Models in Chemistry", "8", "2", "", "121", ""},
      {"ScienceDirect/CompModChem-v8n2/122-130.pdf", "G. Petrov|A. Laine",
       "Charge transfer in a made-up dimer", "Computational Models in Chemistry", "8", "2", "",
       "122", "130"},
      {"ScienceDirect/JImagEcol-v215n1/1-11.pdf", "M. Lindqvist|R. Osei|T. Brandt",
       "Grazing fronts in a patchy made-up meadow", "Journal of Imaginary Ecology", "215", "1", "",
       "1", "11"},
      {"ScienceDirect/JImagEcol-v215n1/13-24.pdf", "K. Abe|L. Fontaine",
       "Seed rain & the spread of an invented fern", "Journal of Imaginary Ecology", "215", "1", "",
       "13", "24"},
      {"ScienceDirect/JImagEcol-v215n1/25.pdf", "", "Editorial", "Journal of Imaginary Ecology",
       "215", "1", "", "25", ""},
      {"ScienceDirect/JImagEcol-v215n1/27-40.pdf", "J. Mwangi|C. Duarte",
       "Predators that never were: a field guide", "Journal of Imaginary Ecology", "215", "1", "",
       "27", "40"},
      {"ScienceDirect/JImagEcol-v215n1/99-101.pdf", "", "", "", "", "", "", "", ""},
      {"Springer/JImagBot-v12n3/s0001.pdf", "Varga H|Okonkwo L",
       "Salt stress and root growth in the marsh fern", "J Imag Bot", "12", "3", "2001", "201",
       "214"},
      {"Springer/JImagBot-v12n3/s0002.pdf", "Lindqvist A|Moreau P|Tanaka S",
       "Pollen dispersal by wind in alpine meadows", "J Imag Bot", "12", "3", "2001", "215", "229"},
      {"Springer/JImagBot-v12n3/s0003.pdf", "Okafor C", "Leaf shape and light: a short review",
       "J Imag Bot", "12", "3", "2001", "231", "240"},
      {"Springer/JImagBot-v12n3/s0099.pdf", "", "", "", "", "", "", "", ""},
      {"Springer/JImagBot-v12n4/s0101.pdf", "Brandt E|Nakamura Y",
       "Seed dormancy in desert annuals after rare rains", "J Imag Bot", "12", "4", "2001", "281",
       "294"},
      {"Springer/JImagBot-v12n4/s0102.pdf", "Castellanos R",
       "Mosses as markers of air quality in old towns", "J Imag Bot", "12", "4", "2001", "295",
       "300"},
      {"Springer/JImagBot-v12n4/s0104.pdf", "Varga H|Szabo K",
       "Night-time opening of stomata in a dry summer", "J Imag Bot", "12", "4", "2001", "301",
       "318"},
      {"Springer/JImagBot-v12n4/s0105.pdf", "Olsen T|Abara N|Fischer M",
       "A new key to the rushes of northern bogs", "J Imag Bot", "12", "4", "2001", "319", "342"},
  };
  std::vector<const PdfRecord*> pdfs;
  std::vector<std::string> paths;
  const std::vector<IssueRecord> issues = ExampleRecords();
  for (const IssueRecord& issue : issues) {
    for (const PdfRecord& pdf : issue.pdfs) {
      pdfs.push_back(&pdf);
      paths.push_back(issue.Folder() + pdf.file);
    }
  }
  ASSERT_EQ(pdfs.size(), std::size(rows));
  for (size_t i = 0; i < pdfs.size(); ++i) {
    const Row& r = rows[i];
    const ArticleFields& f = pdfs[i]->article.fields;
    EXPECT_EQ(paths[i], r.pdf);
    EXPECT_EQ(Joined(f.authors), r.authors) << r.pdf;
    EXPECT_EQ(f.title, r.title) << r.pdf;
    EXPECT_EQ(f.container, r.container) << r.pdf;
    EXPECT_EQ(f.volume, r.volume) << r.pdf;
    EXPECT_EQ(f.issue, r.issue) << r.pdf;
    EXPECT_EQ(f.year, r.year) << r.pdf;
    EXPECT_EQ(f.first_page, r.first_page) << r.pdf;
    EXPECT_EQ(f.last_page, r.last_page) << r.pdf;
    if (!pdfs[i]->article.found) {
      EXPECT_TRUE(f.empty()) << r.pdf;
    }
  }
}

// Reference managers need a title and authors: at least nine in ten of the
// PDFs a page describes have both.
TEST(FieldsTest, MostDescribedExamplePdfsHaveATitleAndAuthors) {
  int described = 0;
  int complete = 0;
  for (const IssueRecord& issue : ExampleRecords()) {
    for (const PdfRecord& pdf : issue.pdfs) {
      if (!pdf.article.found) continue;
      ++described;
      const ArticleFields& f = pdf.article.fields;
      if (!f.title.empty() && !f.authors.empty()) ++complete;
    }
  }
  ASSERT_GT(described, 0);
  std::cout << "[ share    ] " << complete << " of " << described
            << " described PDFs have a title and authors\n";
  EXPECT_GE(complete * 10, described * 9);
}

// A run that writes HtmlData.htm alone asks for no fields: every finder
// then gives the same finding and classic description, and no field.
TEST(FieldsTest, FindersAskedForNoFieldsGiveTheSameDescriptions) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(PDFINDEX_EXAMPLES) / "archive";
  int pdfs = 0;
  for (const auto& publisher : fs::directory_iterator(root)) {
    // The index and cache a run of the example leaves in the root are no
    // publisher folders.
    if (!publisher.is_directory()) continue;
    for (const auto& issue : fs::directory_iterator(publisher.path())) {
      const std::string folder =
          publisher.path().filename().string() + "/" + issue.path().filename().string() + "/";
      PageSet pages;
      std::vector<std::string> names;
      std::vector<std::string> bases;
      for (const auto& file : fs::directory_iterator(issue.path())) {
        const std::string name = file.path().filename().string();
        if (name.ends_with(".htm") || name.ends_with(".html")) {
          pages.Add(folder + name, Slurp(file.path()));
          names.push_back(name);
        } else {
          bases.push_back(PdfBaseName(name));
        }
      }
      std::sort(names.begin(), names.end());
      IssuePages with = pages.InOrder(folder, names);
      IssuePages without = with;
      without.want_fields = false;
      FinderState with_state;
      FinderState without_state;
      for (const std::string& base : bases) {
        const ArticleRecord full = ArticleDescription(with, base, with_state);
        const ArticleRecord bare = ArticleDescription(without, base, without_state);
        EXPECT_EQ(bare.found, full.found) << folder << base;
        EXPECT_EQ(bare.classic, full.classic) << folder << base;
        EXPECT_TRUE(bare.fields.empty()) << folder << base;
        ++pdfs;
      }
    }
  }
  EXPECT_GT(pdfs, 20);
}

}  // namespace
}  // namespace pdfindex
