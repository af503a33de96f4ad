#include "oracles/oracles.h"

#include <gtest/gtest.h>

#include "readers/registry.h"

namespace pdfindex {
namespace {

// A reader added to the registry needs its oracle, which the tests and the
// fuzzers hold it to.
TEST(OraclesTest, EveryReaderHasOne) {
  std::vector<const Reader*> readers;
  for (const Reader& reader : Readers()) readers.push_back(&reader);
  readers.push_back(&GeneralReader());
  for (const Reader* reader : readers) {
    const Oracle* oracle = OracleOf(reader->keyword);
    ASSERT_NE(oracle, nullptr) << reader->keyword;
    EXPECT_NE(oracle->title, nullptr) << reader->keyword;
    EXPECT_EQ(oracle->article != nullptr, reader->find != nullptr) << reader->keyword;
  }
  EXPECT_EQ(Oracles().size(), readers.size());
  EXPECT_EQ(OracleOf("Pub"), nullptr);
}

}  // namespace
}  // namespace pdfindex
