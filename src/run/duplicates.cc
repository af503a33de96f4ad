#include "run/duplicates.h"

#include <algorithm>
#include <utility>

#include "collections/tree.h"
#include "metadata/enrich.h"
#include "metadata/plain.h"
#include "text/escape.h"
#include "text/plain_text.h"

namespace pdfindex {

void MarkNameDuplicates(const std::vector<FolderEntry>& entries, IssueRecord* record) {
  std::vector<PdfRecord>& pdfs = record->pdfs;
  // The record holds one of each set of listed PDF names that differ only
  // in case: as many PDFs as the listing names, and every one is its own
  // name, with nothing left out. Nearly every folder is so; only the others
  // are looked through.
  const size_t listed = static_cast<size_t>(std::count_if(
      entries.begin(), entries.end(), [](const FolderEntry& e) { return IsPdf(e.name); }));
  std::vector<CaseVariant> variants;
  if (listed != pdfs.size()) {
    // The listing keeps one of the names that differ only in case, and the
    // record holds them in that order.
    const auto taken_as = [&pdfs](const std::string& name) -> const PdfRecord* {
      const auto at = std::lower_bound(pdfs.begin(), pdfs.end(), name,
                                       [](const PdfRecord& pdf, const std::string& n) {
                                         return CompareNoCase(pdf.file, n) < 0;
                                       });
      return at != pdfs.end() && CompareNoCase(at->file, name) == 0 ? &*at : nullptr;
    };
    for (const FolderEntry& entry : entries) {
      if (!IsPdf(entry.name)) continue;
      const PdfRecord* taken = taken_as(entry.name);
      if (taken != nullptr && taken->file != entry.name) {
        variants.push_back({entry.name, taken->file});
      }
    }
    // The listing comes in any order; the report does not.
    std::sort(variants.begin(), variants.end(),
              [](const CaseVariant& a, const CaseVariant& b) { return a.left_out < b.left_out; });
  }
  record->case_variants = std::move(variants);

  // A browser's copy ends in ")"; a folder without one has nothing to mark.
  if (std::none_of(pdfs.begin(), pdfs.end(), [](const PdfRecord& pdf) {
        return !pdf.base.empty() && pdf.base.back() == ')';
      })) {
    return;
  }
  std::map<std::string, size_t> by_base;
  for (size_t k = 0; k < pdfs.size(); ++k) by_base.emplace(AsciiLower(pdfs[k].base), k);
  const std::string folder = record->Folder();
  for (PdfRecord& pdf : pdfs) {
    const std::string original = WithoutDuplicateSuffix(pdf.base);
    if (original.size() == pdf.base.size()) continue;
    const auto it = by_base.find(AsciiLower(original));
    if (it == by_base.end()) continue;
    pdf.duplicate_of = folder + pdfs[it->second].file;
    pdf.duplicate_why = DuplicateWhy::kCopy;
  }
}

void TellDuplicates(const IssueRecord& record, RunObserver& observer) {
  if (record.case_variants.empty() &&
      std::none_of(record.pdfs.begin(), record.pdfs.end(),
                   [](const PdfRecord& pdf) { return !pdf.duplicate_of.empty(); })) {
    return;
  }
  const std::string folder = record.Folder();
  for (const CaseVariant& variant : record.case_variants) {
    observer.PdfDuplicate(folder + variant.left_out, folder + variant.taken, DuplicateWhy::kCase);
  }
  for (const PdfRecord& pdf : record.pdfs) {
    if (!pdf.duplicate_of.empty()) {
      observer.PdfDuplicate(folder + pdf.file, pdf.duplicate_of, pdf.duplicate_why);
    }
  }
}

std::string_view DuplicateReason(DuplicateWhy why) {
  switch (why) {
    case DuplicateWhy::kNone: return "";
    case DuplicateWhy::kCopy: return "a browser's copy";
    case DuplicateWhy::kCase: return "name differs only in case";
    case DuplicateWhy::kContent: return "same content";
    case DuplicateWhy::kDoi: return "same DOI";
  }
  return "";
}

std::string DuplicateLine(std::string_view path, std::string_view of, DuplicateWhy why) {
  std::string line(path);
  if (why == DuplicateWhy::kCase) {
    line += ": left out, its name differs only in case from ";
    line += of;
    line += ", which the index took";
  } else if (why == DuplicateWhy::kCopy) {
    line += ": a browser's copy of ";
    line += of;
  } else {
    line += ": ";
    line += DuplicateReason(why);
    line += " as ";
    line += of;
  }
  return line;
}

bool DuplicateFinder::IdentityOf(const std::string& path, uint64_t* hash) {
  auto [it, added] = identities_.try_emplace(path);
  if (added) {
    uint64_t size = 0;
    it->second.first = disk_.FileIdentity(path, &size, &it->second.second).ok();
  }
  *hash = it->second.second;
  return it->second.first;
}

void DuplicateFinder::Finish(IssueRecord& issue, const IssuePages& pages, const Refinder& refind,
                             PreparedMetadata& prepared) {
  inner_.Finish(issue, pages, refind, prepared);
  const std::string folder = issue.Folder();
  for (size_t k = 0; k < issue.pdfs.size(); ++k) {
    PdfRecord& pdf = issue.pdfs[k];
    const std::string path = folder + pdf.file;
    // The first PDF of a content or a DOI is the one the others duplicate;
    // a browser's copy (which the walk may meet before its original) stands
    // for none.
    if (!pdf.duplicate_of.empty()) continue;
    // A PDF that could not be looked at has no stamp.
    if (k < prepared.stamps.size() && k < prepared.outcomes.size() && prepared.stamps[k].size > 0 &&
        prepared.outcomes[k] != PdfOutcome::kMissing) {
      std::vector<std::string>& same_size = by_size_[prepared.stamps[k].size];
      uint64_t hash = 0;
      if (!same_size.empty() && IdentityOf(path, &hash)) {
        for (const std::string& earlier : same_size) {
          uint64_t earlier_hash = 0;
          if (IdentityOf(earlier, &earlier_hash) && earlier_hash == hash) {
            pdf.duplicate_of = earlier;
            pdf.duplicate_why = DuplicateWhy::kContent;
            break;
          }
        }
      }
      // One of each content is enough to compare with.
      if (pdf.duplicate_of.empty()) same_size.push_back(path);
    }
    if (!pdf.duplicate_of.empty()) continue;
    const std::string& doi = pdf.article.fields.doi;
    if (!doi.empty()) {
      const auto [it, added] = by_doi_.try_emplace(AsciiLower(doi), path);
      if (!added) {
        pdf.duplicate_of = it->second;
        pdf.duplicate_why = DuplicateWhy::kDoi;
      }
    }
  }
}

}  // namespace pdfindex
