#include <dlfcn.h>
#include <unistd.h>

#include "metadata/pdf_module.h"

namespace pdfindex {

namespace {
constexpr char kModuleName[] = "pdfindex-pdf.so";
}  // namespace

PdfFacts (*LoadPdfModule(const std::string& module_path, std::string* why))(const std::string&) {
  void* module = ::dlopen(module_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* error = ::dlerror();
    *why = error != nullptr ? error : "cannot be loaded";
    return nullptr;
  }
  using EntryPoint = const PdfModuleEntry* (*)();
  const auto entry_point =
      reinterpret_cast<EntryPoint>(::dlsym(module, "pdfindex_pdf_module_entry"));
  const PdfModuleEntry* entry = entry_point != nullptr ? entry_point() : nullptr;
  if (entry == nullptr || entry->version != kPdfModuleVersion || entry->read == nullptr) {
    *why = module_path + " is not this version's PDF reader";
    ::dlclose(module);
    return nullptr;
  }
  // Kept loaded for the rest of the process (and its worker processes).
  return entry->read;
}

std::string PdfModulePath(const std::string& program_path, const std::string& installed) {
  const size_t slash = program_path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : program_path.substr(0, slash);
  std::string beside = folder + "/" + kModuleName;
  if (::access(beside.c_str(), R_OK) == 0) return beside;
  return folder + "/" + installed + "/" + kModuleName;
}

}  // namespace pdfindex
