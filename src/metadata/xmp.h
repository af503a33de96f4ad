// The article fields of a PDF's XMP metadata packet.
#ifndef PDFINDEX_METADATA_XMP_H_
#define PDFINDEX_METADATA_XMP_H_

#include <string_view>

#include "core/record.h"

namespace pdfindex {

/// The fields an XMP packet (XML text) holds: dc:title (the default
/// language's, else the first), dc:creator (every name in order), and
/// prism:publicationName, prism:volume, prism:number, prism:startingPage,
/// prism:endingPage, prism:doi, each as an element or as an attribute of an
/// rdf:Description; prism:coverDate or prism:publicationDate gives the year.
ArticleFields ParseXmp(std::string_view packet);

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_XMP_H_
