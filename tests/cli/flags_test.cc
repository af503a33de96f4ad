// The command line as the program reads it, and where its outputs go.
#include "cli/flags.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/plan.h"
#include "test_util.h"

namespace pdfindex {
namespace {

ParsedFlags Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "pdfindex");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return ParseFlags(static_cast<int>(args.size()), argv.data());
}

TEST(FlagsTest, FollowsGnuConventions) {
  struct Row {
    std::vector<std::string> args;
    ParsedFlags::Action action;
    std::string error;
  };
  const Row rows[] = {
      {{"--vers"}, ParsedFlags::kVersion, ""},
      {{"--he"}, ParsedFlags::kHelp, ""},
      {{"dir", "-h"}, ParsedFlags::kHelp, ""},
      {{"--help", "x"}, ParsedFlags::kUsageError, "unexpected argument 'x' after --help"},
      {{"-V", "--report"}, ParsedFlags::kUsageError, "unexpected argument '--report' after -V"},
      {{"--h"}, ParsedFlags::kUsageError, "option '--h' is ambiguous"},
      {{"--bogus=1"}, ParsedFlags::kUsageError, "unknown option '--bogus=1'"},
      {{"-q"}, ParsedFlags::kUsageError, "unknown option '-q'"},
      {{"--report=yes"}, ParsedFlags::kUsageError, "option '--report' takes no argument"},
      {{"--json"}, ParsedFlags::kUsageError, "option '--json' needs a FILE"},
      {{"--html"}, ParsedFlags::kUsageError, "--html needs a FILE"},
      {{"-j"}, ParsedFlags::kUsageError, "-j needs a number of workers from 1 to 256"},
      {{"-j0"}, ParsedFlags::kUsageError, "-j needs a number of workers from 1 to 256"},
      {{"a", "b"}, ParsedFlags::kUsageError, "more than one archive folder given"},
      {{"--index", "x", "--no-index"},
       ParsedFlags::kUsageError,
       "--index and --no-index exclude each other"},
      {{"--", "--help"}, ParsedFlags::kRun, ""},
  };
  for (const Row& row : rows) {
    const ParsedFlags parsed = Parse(row.args);
    EXPECT_EQ(parsed.action, row.action) << row.args[0];
    EXPECT_EQ(parsed.error, row.error) << row.args[0];
  }
}

TEST(FlagsTest, ReadsEveryOptionInAnyOrder) {
  const ParsedFlags parsed = Parse({"archive", "--json=c.json", "--rep", "-j3", "--html", "-",
                                    "--bib", "c.bib", "--index=i.htm", "--quiet", "--prog",
                                    "--metadata"});
  ASSERT_EQ(parsed.action, ParsedFlags::kRun) << parsed.error;
  const Options& o = parsed.options;
  EXPECT_EQ(o.dir, "archive");
  EXPECT_TRUE(o.report && o.quiet && o.progress && o.metadata && !o.no_index);
  EXPECT_EQ(o.jobs, 3);
  EXPECT_EQ(o.index_file, "i.htm");
  ASSERT_EQ(o.outputs.size(), 3u);
  EXPECT_EQ(o.outputs[0].kind->flag, "--json");
  EXPECT_EQ(o.outputs[0].file, "c.json");
  EXPECT_EQ(o.outputs[1].kind->flag, "--html");
  EXPECT_EQ(o.outputs[1].file, "-");
  EXPECT_EQ(o.outputs[2].kind->flag, "--bibtex");
  EXPECT_TRUE(Parse({"--no-index"}).options.no_index);
  EXPECT_FALSE(Parse({}).options.dir.has_value());
}

TEST(PlanTest, PlacesOutputsAndFindsClashes) {
  const std::string here = CurrentFolder();
  ASSERT_FALSE(here.empty());
  EXPECT_EQ(PlaceOf("out.bib").target, here + "out.bib");
  EXPECT_EQ(PlaceOf("./out.bib").target, here + "out.bib");
  EXPECT_EQ(PlaceOf(here + "out.bib").folder, here);
  EXPECT_EQ(PlaceOf("-").target, "-");
  EXPECT_EQ(PlaceOf("-").folder, here);
  // A folder that is not there is kept as written; creating the file fails later.
  EXPECT_EQ(PlaceOf("/no/such/folder/x.ris").target, "/no/such/folder/x.ris");
  EXPECT_EQ(PlaceOf("/no/such/folder/x.ris").folder, "");

  struct Row {
    std::vector<std::string> args;
    std::string error;          // from PlaceOutputs, else PlanOutputs
    std::vector<std::string> targets;  // the requests, in the run's order
    std::string index;          // the index target ("" for none)
    std::string href_root;
  };
  const std::string root = here + "root/";
  const Row rows[] = {
      {{"--json", "a", "--html", "b"}, "", {here + "b", here + "a"}, "HtmlData.htm", ""},
      {{"--json", "a", "--ris", "./a"}, "'./a' is written by more than one output", {}, "", ""},
      {{"--json", "-", "--ris", "-"}, "'-' is written by more than one output", {}, "", ""},
      {{"--json", "root/HtmlData.htm"},
       "'root/HtmlData.htm' is written by more than one output",
       {},
       "",
       ""},
      {{"--no-index", "--json", "root/HtmlData.htm"}, "", {root + "HtmlData.htm"}, "", ""},
      {{"--index", "-", "--json", "-"}, "'-' is written by more than one output", {}, "", ""},
      {{"--index", "i.htm", "--json", "root/HtmlData.htm"},
       "",
       {root + "HtmlData.htm"},
       here + "i.htm",
       "root/"},
      {{"--index", "-"}, "", {}, "-", "root/"},
      {{"--html", "/no/such/p.html"}, "the folder of '/no/such/p.html' does not exist", {}, "", ""},
      {{"--index", "/no/such/i.htm"}, "the folder of '/no/such/i.htm' does not exist", {}, "", ""},
  };
  for (const Row& row : rows) {
    const ParsedFlags parsed = Parse(row.args);
    ASSERT_EQ(parsed.action, ParsedFlags::kRun) << parsed.error;
    OutputPlan plan;
    std::string error = PlaceOutputs(parsed.options, &plan);
    if (error.empty()) error = PlanOutputs(parsed.options, root, &plan);
    EXPECT_EQ(error, row.error) << row.args[1];
    if (!error.empty()) continue;
    std::vector<std::string> targets;
    for (const OutputRequest& request : plan.outputs) targets.push_back(request.target);
    EXPECT_EQ(targets, row.targets) << row.args[1];
    EXPECT_EQ(plan.index.write ? plan.index.target : "", row.index) << row.args[1];
    EXPECT_EQ(plan.index.href_root, row.href_root) << row.args[1];
  }
}

TEST(PlanTest, FailuresNameFilesAsTheUserGaveThem) {
  const ParsedFlags parsed = Parse({"--bibtex", "/nonexist/x.bib", "--json", "-", "--ris", "r"});
  OutputPlan plan;
  ASSERT_EQ(PlaceOutputs(parsed.options, &plan), "");
  ASSERT_EQ(PlanOutputs(parsed.options, CurrentFolder(), &plan), "");
  const std::optional<std::string> dir = ".";
  struct Row {
    std::string path;
    std::string line;
  };
  const Row rows[] = {
      {"/nonexist/x.bib", "pdfindex: cannot write '/nonexist/x.bib': No such file or directory\n"},
      {"-", "pdfindex: cannot write standard output: No such file or directory\n"},
      {CurrentFolder() + "r", "pdfindex: cannot write 'r': No such file or directory\n"},
      {"HtmlData.htm", "pdfindex: cannot write './HtmlData.htm': No such file or directory\n"},
  };
  for (const Row& row : rows) {
    const Status error = Status::FromErrno(ENOENT, row.path).During("write");
    EXPECT_EQ(UserFailureLine(plan, dir, error), row.line);
  }
}

}  // namespace
}  // namespace pdfindex
