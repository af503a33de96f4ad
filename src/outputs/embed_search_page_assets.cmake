# Writes the searchable page's style sheet and script into a header as
# string literals; run by the build (cmake -P) whenever either file or the
# template changes:
#   cmake -DCSS=... -DJS=... -DTEMPLATE=... -DOUTPUT=... -P embed_search_page_assets.cmake
file(READ ${CSS} PDFINDEX_SEARCH_PAGE_CSS)
file(READ ${JS} PDFINDEX_SEARCH_PAGE_JS)
foreach(asset PDFINDEX_SEARCH_PAGE_CSS PDFINDEX_SEARCH_PAGE_JS)
  string(FIND "${${asset}}" ")pdfindex_asset\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${asset} holds the raw string delimiter )pdfindex_asset\"")
  endif()
endforeach()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
