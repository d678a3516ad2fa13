#pragma once

// Reading a receipt feed held as bytes without ever building it as one document. A quick pass
// checks its JSON syntax and finds where each element of the top-level array lies, so that the
// whole reply is known to be valid before the first receipt is stored; then each receipt is
// parsed on its own, on a thread of its own, a little ahead of the import that stores it.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "db/CupomLido.h"

namespace feed {

struct Trecho {
    std::size_t inicio;
    std::size_t fim;  // one past the element's last byte
    bool operator==(const Trecho&) const = default;
};

struct Indice {
    bool lista = false;             // the top level is an array
    std::vector<Trecho> elementos;  // the array's elements in order (when `lista`)
    bool operator==(const Indice&) const = default;
};

// The index of `texto` when it certainly is JSON that nlohmann::json::parse accepts and, when it
// is an array, every element is an object (a receipt). Nothing otherwise: when it is not, when an
// element of the array is not an object (the pass stops there, so that the index stays as small
// as the feed's receipts), and also when this pass cannot be sure (a byte-order mark, a NUL byte
// outside a string, a number that may overflow a double). The caller then asks the library
// itself, which gives the exact verdict and its own error message.
std::optional<Indice> Indexar(std::string_view texto);

// Indexar on a text that is still arriving: each Avancar reads, of the bytes received so far,
// the elements of the top-level array that certainly end where they seem to; Concluir, given the
// whole text, reads the rest and gives exactly what Indexar gives. Texts that are not an array
// are left to Concluir. Avancar reads its bytes again only after they have grown enough to be
// worth it, so a caller may pass every piece as it comes.
class IndexadorParcial {
public:
    // `recebido`: the text's first bytes, each call the same ones or more.
    void Avancar(std::string_view recebido);
    // The bytes received when another pass becomes worth making.
    std::size_t Proxima() const { return proxima_; }
    // The index of the whole text, which begins with every `recebido` passed before. Once only.
    std::optional<Indice> Concluir(std::string_view texto);

private:
    static constexpr std::size_t kPasso = 256 * 1024;

    Indice indice_;            // the elements before retomar_
    std::size_t retomar_ = 0;  // where the next element begins; 0 before the first separator
    std::size_t proxima_ = 0;
};

// An IndexadorParcial on a thread of its own, over a reply while it downloads: the download
// thread appends each piece through Receber, and the thread reads the bytes received so far
// whenever enough have come, so that little of the reply is left to read once it is all there.
class IndexacaoDoDownload {
public:
    IndexacaoDoDownload();
    ~IndexacaoDoDownload() { Parar(); }
    IndexacaoDoDownload(const IndexacaoDoDownload&) = delete;
    IndexacaoDoDownload& operator=(const IndexacaoDoDownload&) = delete;

    // Appends the `tamanho` bytes at `dados` to `corpo`, the reply (on the download thread).
    void Receber(std::string& corpo, const char* dados, std::size_t tamanho);
    // Stops the thread and waits for it: due once the download has ended, before the reply
    // moves or goes.
    void Parar();
    // Indexar(texto), `texto` being the whole reply that Receber built. After Parar.
    std::optional<Indice> Concluir(std::string_view texto);

private:
    void Ler();

    IndexadorParcial indexador_;
    // Held by the thread while it reads the reply, and by Receber to append beyond the reply's
    // reserved size, which moves it.
    std::mutex buffer_;
    std::mutex estado_;  // guards what follows but the thread
    std::condition_variable chegou_;
    const char* dados_ = nullptr;
    std::size_t recebidos_ = 0;
    std::size_t aguardar_ = 1;  // the bytes received when the thread reads again
    bool parar_ = false;
    bool falhou_ = false;  // the thread ran out of memory: Concluir reads the whole reply
    std::thread thread_;
};

// One element of a text that Indexar accepted, built as the library would parse it: the same
// values of the same types (an integer that fits 64 bits stays an integer, a member named twice
// keeps its last value), several times faster than the library's own parser.
nlohmann::json ConstruirElemento(std::string_view elemento);

// Reads a receipt, one element of a text that Indexar accepted, straight into `cupom`, its texts
// left in `elemento` where they hold no escape: what LerCupom(ConstruirElemento(elemento)) reads,
// without building the document. False when the element is anything but a plain receipt (a value
// of another type, a missing member, a member named twice, ...): the caller then goes that way,
// which gives the same values or the library's own error.
bool LerCupom(std::string_view elemento, CupomLido& cupom);

// Reads only the `id` of such a receipt, and whether it has an access key (`sem_chave`), into
// an otherwise empty `cupom`: what a stopped import wants of the receipts it did not reach.
// False when the element is not a plain receipt; the caller then reads it whole.
bool LerId(std::string_view elemento, CupomLido& cupom);

// Turns the elements of an indexed feed one by one into T with `converter`, which receives each
// element's text, on a thread of its own, keeping only a few ready at a time. What the caller is
// done with goes back to that thread to be freed. `texto` and `indice` must outlive the reader.
template <class T>
class Leitor {
public:
    using Conversor = std::function<T(std::string_view elemento)>;

    Leitor(std::string_view texto, const Indice& indice, Conversor converter)
        : thread_(&Leitor::Ler, this, texto, std::cref(indice), std::move(converter)) {}

    // Stops the reading thread and waits for it.
    ~Leitor() {
        {
            std::lock_guard<std::mutex> trava(mutex_);
            parar_ = true;
        }
        mudou_.notify_all();
        thread_.join();
    }
    Leitor(const Leitor&) = delete;
    Leitor& operator=(const Leitor&) = delete;

    // The next element in `valor` (what it held before goes back to the reading thread); false
    // after the last one. Rethrows what building or converting an element failed with, after the
    // elements before it.
    bool Proximo(T& valor) {
        std::unique_lock<std::mutex> trava(mutex_);
        mudou_.wait(trava, [this] { return !prontos_.empty() || terminou_; });
        if (prontos_.empty()) {
            if (erro_) std::rethrow_exception(erro_);
            return false;
        }
        usados_.push_back(std::move(valor));
        valor = std::move(prontos_.front());
        prontos_.pop_front();
        const bool acordar = prontos_.size() == kRetomar;
        trava.unlock();
        if (acordar) mudou_.notify_all();
        return true;
    }

private:
    // How many elements may wait: enough to keep both threads busy, few enough to take next to
    // no memory. A full queue lets the reading thread sleep until only half of it is left, so
    // that the two threads wake each other once in a while rather than for every element (each
    // wake-up of a sleeping thread is a system call).
    static constexpr std::size_t kProntos = 32;
    static constexpr std::size_t kRetomar = kProntos / 2;

    void Ler(std::string_view texto, const Indice& indice, Conversor converter) {
        try {
            for (const Trecho& trecho : indice.elementos) {
                T valor = converter(texto.substr(trecho.inicio, trecho.fim - trecho.inicio));
                std::vector<T> usados;  // freed here, after the lock
                std::unique_lock<std::mutex> trava(mutex_);
                if (prontos_.size() >= kProntos)
                    mudou_.wait(trava, [this] { return prontos_.size() <= kRetomar || parar_; });
                if (parar_) return;
                prontos_.push_back(std::move(valor));
                const bool acordar = prontos_.size() == 1;  // the caller may be waiting for it
                usados.swap(usados_);
                trava.unlock();
                if (acordar) mudou_.notify_all();
            }
        } catch (...) {
            std::lock_guard<std::mutex> trava(mutex_);
            erro_ = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> trava(mutex_);
            terminou_ = true;
        }
        mudou_.notify_all();
    }

    std::mutex mutex_;  // guards everything below but the thread
    std::condition_variable mudou_;
    std::deque<T> prontos_;
    std::vector<T> usados_;
    bool terminou_ = false;  // the thread has read its last element (or failed)
    bool parar_ = false;     // the reader is going away
    std::exception_ptr erro_;
    std::thread thread_;
};

}  // namespace feed
