#pragma once

// One fiscal file's bytes read by pugixml into its tree, the document and a buffer of its own
// reused file after file. pugixml parses in place and expands only the five predefined entities
// and character references; a file that declares a DTD is refused before it. UTF-8 and
// ISO-8859-1 are read by pugixml itself; UTF-16, UTF-32 and any other encoding the declaration
// names go through the toolkit's converters to UTF-8 first.

#include <pugixml.hpp>
#include <string>
#include <string_view>

class wxMBConv;

namespace xmlfiscal {

class LeituraXml {
public:
    struct Resultado {
        pugi::xml_node raiz;  // valid until the next Ler; empty when the file is refused
        bool declara_dtd = false;
        long linha_erro = 0;  // where the reading stopped, when it did (0 if nowhere)
    };

    // `bytes` read whole: their root element, or why they are not one well-formed document.
    Resultado Ler(std::string_view bytes);

private:
    bool ParaUtf8(std::string_view bytes, const wxMBConv& conversor);

    pugi::xml_document documento_;
    std::string buffer_;  // the bytes parsed in place, in UTF-8 unless pugixml converts them
};

}  // namespace xmlfiscal
