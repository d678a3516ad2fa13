#pragma once

// An XML document as the fiscal files' reading needs it: its elements with their attributes and
// text, in UTF-8, read by expat (the parser under the toolkit's XML classes) into one array. The
// toolkit's own tree turns every name, attribute and text into a wxString and every element into
// separate allocations, which cost ten times the parsing itself on a folder of receipts; here the
// texts of a document share one buffer, and a tree read again reuses its memory and its parser.
//
// The text of an element is what the toolkit's wxXmlNode::GetNodeContent gives: its first run of
// text or CDATA section directly inside it (a run ends at a child element, a comment or a
// processing instruction; a run of spaces alone is none).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace xmlfiscal {

class ArvoreXml {
public:
    struct Atributo {
        std::string_view nome, valor;
        // Where they are in the buffer, while reading (a document is far below 4 GB).
        std::uint32_t nome_em = 0, nome_tamanho = 0, valor_em = 0, valor_tamanho = 0;
    };

    struct No {
        std::string_view nome;   // as written, prefix included ("nfe:infNFe")
        std::string_view local;  // without the prefix
        std::string_view texto;
        std::span<const Atributo> atributos;
        std::size_t descendentes = 0;  // the elements that follow it, down to its last one
        // Where the texts are in the buffer and the attributes in theirs, while reading.
        std::uint32_t nome_em = 0, nome_tamanho = 0, texto_em = 0, texto_tamanho = 0,
                      primeiro_atributo = 0, quantos_atributos = 0;
    };

    ArvoreXml();
    ~ArvoreXml();
    ArvoreXml(const ArvoreXml&) = delete;
    ArvoreXml& operator=(const ArvoreXml&) = delete;

    // Reads the whole of `bytes`, in place of what was read before. False when it is not a
    // well-formed document; `linha_erro` then holds the line where the parser stopped.
    bool Ler(std::string_view bytes, long& linha_erro);

    // The root element; its descendants follow it in the same array, and so on down, so a node
    // alone finds them. Valid until the next Ler.
    const No* Raiz() const { return nos_.empty() ? nullptr : &nos_.front(); }

    // The first child element named `nome` (locally); null when there is none or `no` is null.
    static const No* Filho(const No* no, std::string_view nome);
    // The first element named `nome` at any depth under `no`, `no` itself included.
    static const No* Procurar(const No* no, std::string_view nome);
    // The value of an attribute, empty when there is none.
    static std::string_view ValorDe(const No* no, std::string_view nome);

    // Calls f(const No&) for each child element of `no`, in order.
    template <typename F>
    static void ParaCadaFilho(const No* no, F&& f) {
        if (!no) return;
        for (const No* c = no + 1; c <= no + no->descendentes; c += c->descendentes + 1) f(*c);
    }

private:
    friend struct LeituraExpat;
    struct Parser;

    std::vector<No> nos_;  // in document order
    std::vector<Atributo> atributos_;
    std::string textos_;  // every name, value and text, one after the other
    // The reading's own state, kept for the next document's.
    std::vector<std::uint32_t> abertos_, com_atributos_;
    std::vector<bool> tem_texto_;
    std::unique_ptr<Parser> parser_;
};

}  // namespace xmlfiscal
