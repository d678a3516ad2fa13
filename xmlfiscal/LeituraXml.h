#pragma once

// One fiscal file's bytes read by pugixml into its tree, the document and a buffer of its own
// reused file after file. pugixml parses in place and expands only the five predefined entities
// and character references; it never reads a DTD (the caller refuses a file that declares one).
// UTF-8, UTF-16 and ISO-8859-1 are read by pugixml itself, any other encoding that the
// declaration names through the toolkit's converter first.

#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace xmlfiscal {

class LeituraXml {
public:
    // The root element of `bytes`, valid until the next Ler; an empty node when they are not one
    // well-formed document, `linha_erro` then the line where the reading stopped (0 if none).
    pugi::xml_node Ler(std::string_view bytes, long& linha_erro);

private:
    pugi::xml_document documento_;
    std::string buffer_;  // the bytes parsed in place, in UTF-8 unless pugixml converts them
};

}  // namespace xmlfiscal
