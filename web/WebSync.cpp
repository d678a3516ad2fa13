#include "web/WebSync.h"

#include <curl/curl.h>
#include <strings.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace web {
namespace {

using Clock = std::chrono::steady_clock;

// How often the transfer loop wakes up to look at the cancel check and the stall clock.
constexpr auto kPollInterval = std::chrono::milliseconds(100);

std::mutex g_timeouts_mutex;
Timeouts g_timeouts;

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct CurlSlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;

// Decodes UTF-8, replacing each invalid byte by U+FFFD, so that a reply in another encoding
// still reads as text instead of vanishing (wxString::FromUTF8 returns an empty string then).
wxString DecodeUtf8Lossy(const std::string& bytes) {
    wxString valid = wxString::FromUTF8(bytes.data(), bytes.size());
    if (!valid.empty() || bytes.empty()) return valid;

    wxString out;
    out.reserve(bytes.size());
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        int len = c < 0x80           ? 1
                  : (c >> 5) == 0x6  ? 2
                  : (c >> 4) == 0xE  ? 3
                  : (c >> 3) == 0x1E ? 4
                                     : 0;
        wxUniChar decoded(0xFFFD);
        if (len == 1) {
            decoded = c;
        } else if (len > 1 && i + len <= n) {
            unsigned cp = c & (0x7F >> len);
            bool ok = true;
            for (int k = 1; k < len; ++k) {
                if ((s[i + k] & 0xC0) != 0x80) {
                    ok = false;
                    break;
                }
                cp = (cp << 6) | (s[i + k] & 0x3F);
            }
            static constexpr unsigned kMin[] = {0, 0, 0x80, 0x800, 0x10000};
            if (ok && cp >= kMin[len] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF)) {
                decoded = cp;
            } else {
                len = 1;
            }
        } else {
            len = 1;
        }
        out += decoded;
        i += len;
    }
    return out;
}

// The host part of a URL as libcurl will connect to it ("[::1]" for IPv6), so that user info
// or odd forms ("http://localhost@elsewhere/") cannot pass for another host. Empty when the URL
// does not parse.
std::string HostOf(const std::string& url) {
    InitCurlOnce();
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
    char* host = nullptr;
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK ||
        curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK)
        return {};
    std::string result(host);
    curl_free(host);
    return result;
}

bool IsLoopbackHost(std::string host) {
    for (char& c : host) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return host == "127.0.0.1" || host == "[::1]" || host == "localhost";
}

// The URL with its scheme in lower case: "HTTPS://host" is the same address as "https://host".
std::string SchemeInLowerCase(std::string url) {
    const auto end = url.find("://");
    if (end == std::string::npos) return url;
    for (std::size_t i = 0; i < end; ++i) {
        char& c = url[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return url;
}

// Why a transfer failed, in words a person can act on.
wxString TransferReason(CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return L"o endereço do serviço não foi encontrado (verifique a conexão com a internet)";
        case CURLE_COULDNT_CONNECT:
            return L"não foi possível conectar ao serviço";
        case CURLE_OPERATION_TIMEDOUT:
            return L"o serviço não respondeu a tempo";
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
            return L"o certificado do serviço foi recusado: a conexão não é segura";
        case CURLE_SSL_CONNECT_ERROR:
            return L"a conexão segura (TLS) com o serviço falhou";
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_PARTIAL_FILE:
            return L"a conexão com o serviço caiu no meio da transferência";
        default:
            return wxString(L"falha de rede: ") + wxString::FromUTF8(curl_easy_strerror(code));
    }
}

// "60 segundos", or "400 ms" under a second.
wxString DurationText(std::chrono::milliseconds duration) {
    if (duration < std::chrono::seconds(1))
        return wxString::Format("%lld ms", static_cast<long long>(duration.count()));
    return wxString::Format(
        "%lld segundos",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(duration).count()));
}

wxString StatusReason(long status) {
    if (status == 0) return L"o serviço não enviou uma resposta HTTP";
    if (status == 401 || status == 403)
        return wxString::Format(L"o serviço recusou o acesso (HTTP %ld): faça o login de novo",
                                status);
    if (status < 400)
        return wxString::Format(
            L"o serviço respondeu com um redirecionamento (HTTP %ld), que "
            L"não é seguido",
            status);
    return wxString::Format(L"o serviço respondeu com um erro (HTTP %ld)", status);
}

}  // namespace

void SetDefaultTimeouts(const Timeouts& timeouts) {
    std::lock_guard lock(g_timeouts_mutex);
    g_timeouts = timeouts;
}

Timeouts GetDefaultTimeouts() {
    std::lock_guard lock(g_timeouts_mutex);
    return g_timeouts;
}

wxString WebResponse::AsString() const {
    return DecodeUtf8Lossy(body_);
}

wxString WebResponse::GetHeader(const wxString& name) const {
    for (const auto& [key, value] : headers_) {
        if (wxString::FromUTF8(key).IsSameAs(name, false)) return wxString::FromUTF8(value);
    }
    return wxString();
}

struct WebRequestSync::Impl {
    std::string url;
    Timeouts timeouts;
    std::vector<std::string> headers;  // "Name: value", UTF-8
    bool has_body = false;
    std::string body;
    std::function<bool()> cancelled;
    std::function<void(std::string&, const char*, size_t)> append_body;

    // Transfer state, touched only by the libcurl callbacks of the running Execute().
    WebResponse* response = nullptr;
    bool too_large = false;
    // The first byte of the body has arrived. A Content-Length seen after it is a trailer of a
    // chunked reply, which libcurl hands to the header callback too: it must not size the body,
    // whose bytes another thread may be reading by then.
    bool body_started = false;
    Clock::time_point last_activity;
    curl_off_t last_up = 0;
    curl_off_t last_down = 0;

    // Returning less than was given aborts the transfer (CURLE_WRITE_ERROR). No exception may
    // leave a libcurl callback: it would unwind through C frames.
    static size_t OnWrite(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<Impl*>(user);
        std::string& body = self->response_body();
        const size_t n = size * count;
        if (n > self->timeouts.max_body - std::min(body.size(), self->timeouts.max_body)) {
            self->too_large = true;
            return 0;
        }
        try {
            if (self->append_body) {
                self->append_body(body, data, n);
            } else {
                body.append(data, n);
            }
        } catch (const std::exception&) {
            return 0;
        }
        self->body_started = true;
        self->last_activity = Clock::now();
        return n;
    }

    static size_t OnHeader(char* data, size_t size, size_t count, void* user) try {
        auto* self = static_cast<Impl*>(user);
        std::string line(data, size * count);
        self->last_activity = Clock::now();
        if (line.rfind("HTTP/", 0) == 0) {
            self->response_headers().clear();  // a new response (after 100 Continue, say)
            return size * count;
        }
        auto colon = line.find(':');
        if (colon == std::string::npos) return size * count;
        std::string key = line.substr(0, colon);
        std::string value = line.substr(colon + 1);
        auto first = value.find_first_not_of(" \t");
        auto last = value.find_last_not_of(" \t\r\n");
        value = first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
        if (!self->body_started && strcasecmp(key.c_str(), "Content-Length") == 0)
            self->ReserveBody(value);
        self->response_headers().emplace_back(std::move(key), std::move(value));
        return size * count;
    } catch (const std::exception&) {
        return 0;
    }

    static int OnProgress(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
        auto* self = static_cast<Impl*>(user);
        if (dlnow != self->last_down || ulnow != self->last_up) {
            self->last_down = dlnow;
            self->last_up = ulnow;
            self->last_activity = Clock::now();
        }
        return 0;
    }

    // Room for the whole announced body at once: grown piece by piece, a reply of a hundred
    // megabytes would for a moment be held twice, in the old buffer and in its copy.
    void ReserveBody(const std::string& length) {
        char* end = nullptr;
        const unsigned long long n = std::strtoull(length.c_str(), &end, 10);
        std::string& body = response_body();
        if (end == length.c_str() || *end != '\0' || n > timeouts.max_body || n <= body.capacity())
            return;
        body.reserve(static_cast<size_t>(n));
    }

    std::string& response_body();
    std::vector<std::pair<std::string, std::string>>& response_headers();
};

// WebResponse's members are private to it; the request reaches them through its friendship.
std::string& WebRequestSync::Impl::response_body() {
    return response->body_;
}
std::vector<std::pair<std::string, std::string>>& WebRequestSync::Impl::response_headers() {
    return response->headers_;
}

WebRequestSync::WebRequestSync() = default;
WebRequestSync::WebRequestSync(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
WebRequestSync::WebRequestSync(WebRequestSync&&) noexcept = default;
WebRequestSync& WebRequestSync::operator=(WebRequestSync&&) noexcept = default;
WebRequestSync::~WebRequestSync() = default;

void WebRequestSync::SetHeader(const wxString& name, const wxString& value) {
    if (!impl_) return;
    std::string line = std::string(name.utf8_str()) + ": " + std::string(value.utf8_str());
    // A header line may not carry a line break: it would smuggle in headers of its own.
    for (char& c : line) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    impl_->headers.push_back(std::move(line));
}

void WebRequestSync::SetData(const wxString& text, const wxString& contentType,
                             const wxMBConv& conv) {
    if (!impl_) return;
    const wxScopedCharBuffer encoded = text.mb_str(conv);
    impl_->body.assign(encoded.data(), encoded.length());
    impl_->has_body = true;
    SetHeader("Content-Type", contentType);
}

void WebRequestSync::SetCancelCheck(std::function<bool()> cancelled) {
    if (impl_) impl_->cancelled = std::move(cancelled);
}

void WebRequestSync::SetBodyAppender(
    std::function<void(std::string& body, const char* data, size_t size)> append) {
    if (impl_) impl_->append_body = std::move(append);
}

WebRequestSync::Result WebRequestSync::Execute() {
    Result result;
    response_ = WebResponse();
    if (!impl_) {
        result.state = State_Failed;
        result.error = "invalid request";
        result.motivo = L"o endereço do serviço não é válido";
        return result;
    }
    InitCurlOnce();

    CurlEasy easy(curl_easy_init());
    CurlMulti multi(curl_multi_init());
    if (!easy || !multi) {
        result.state = State_Failed;
        result.error = "libcurl could not be initialised";
        result.motivo = L"a biblioteca de rede não pôde ser iniciada";
        return result;
    }

    Impl& req = *impl_;
    req.response = &response_;
    req.too_large = false;
    req.body_started = false;
    req.last_up = req.last_down = 0;

    CurlSlist headers;
    // Without this libcurl waits for a "100 Continue" before sending a larger body.
    headers.reset(curl_slist_append(headers.release(), "Expect:"));
    for (const std::string& line : req.headers) {
        headers.reset(curl_slist_append(headers.release(), line.c_str()));
    }

    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, req.url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* ca_file = std::getenv("SSL_CERT_FILE"); ca_file && *ca_file) {
        curl_easy_setopt(h, CURLOPT_CAINFO, ca_file);
    }
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(req.timeouts.connect.count()));
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Impl::OnWrite);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &req);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &req);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Impl::OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &req);
    if (req.has_body) {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, req.body.data());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(req.body.size()));
    } else {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    }

    if (const CURLMcode added = curl_multi_add_handle(multi.get(), h); added != CURLM_OK) {
        result.state = State_Failed;
        result.error = wxString::FromUTF8(curl_multi_strerror(added));
        result.motivo = TransferReason(CURLE_FAILED_INIT);
        return result;
    }
    req.last_activity = Clock::now();
    CURLcode transfer_code = CURLE_OK;
    bool finished = false;

    while (!finished) {
        int running = 0;
        CURLMcode mc = curl_multi_perform(multi.get(), &running);
        if (mc != CURLM_OK) {
            result.state = State_Failed;
            result.error = wxString::FromUTF8(curl_multi_strerror(mc));
            result.motivo = TransferReason(CURLE_FAILED_INIT);
            break;
        }
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
            if (msg->msg == CURLMSG_DONE) {
                transfer_code = msg->data.result;
                finished = true;
            }
        }
        if (finished || running == 0) {
            finished = true;
            break;
        }
        if (req.cancelled && req.cancelled()) {
            result.state = State_Cancelled;
            result.error = "cancelled";
            result.motivo = L"cancelado";
            break;
        }
        // Nothing received (nor sent) for the stall limit, counted from the start: a server
        // that accepts the connection and then stays silent, even in the TLS handshake.
        if (Clock::now() - req.last_activity >= req.timeouts.stall) {
            result.state = State_Failed;
            result.error = "no data received from the server in time";
            result.motivo = wxString::Format(L"o serviço ficou %s sem enviar dados",
                                             DurationText(req.timeouts.stall));
            break;
        }
        curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(kPollInterval.count()), nullptr);
    }

    curl_multi_remove_handle(multi.get(), h);
    req.response = nullptr;

    if (result.state != State_Idle) {
        response_.status_ = 0;
        return result;
    }
    if (transfer_code != CURLE_OK) {
        result.state = State_Failed;
        result.error = req.too_large
                           ? wxString::Format("reply larger than %zu bytes", req.timeouts.max_body)
                           : wxString::FromUTF8(curl_easy_strerror(transfer_code));
        result.motivo = req.too_large
                            ? wxString::Format(L"a resposta passou do limite de %zu bytes",
                                               req.timeouts.max_body)
                            : TransferReason(transfer_code);
        return result;
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    response_.status_ = static_cast<int>(status);
    // Only a 2xx reply is an answer. Redirects are never followed (the token must not go to
    // another address), so a 3xx is a failure like a 4xx; so is a transfer that ended without
    // any HTTP status at all.
    if (status < 200 || status >= 300) {
        result.state = State_Failed;
        result.error = status == 0 ? wxString("no HTTP status received")
                                   : wxString::Format("HTTP %ld", status);
        result.motivo = StatusReason(status);
        return result;
    }
    result.state = State_Completed;
    return result;
}

WebSessionSync& WebSessionSync::GetDefault() {
    static WebSessionSync session;
    return session;
}

bool WebSessionSync::IsOpened() const {
    InitCurlOnce();
    return true;
}

WebRequestSync WebSessionSync::CreateRequest(const wxString& url) const {
    const std::string utf8 = SchemeInLowerCase(std::string(url.utf8_str()));
    const bool supported = utf8.rfind("https://", 0) == 0 || utf8.rfind("http://", 0) == 0;
    if (!supported || utf8.find_first_of(" \r\n") != std::string::npos) return WebRequestSync();
    if (utf8.rfind("http://", 0) == 0) {
        const std::string host = HostOf(utf8);
        if (!IsLoopbackHost(host)) {
            // Once per refused request: each one is an action of the person (a start, a login,
            // a synchronisation) whose failure this line explains, and none is repeated in a loop.
            std::fprintf(stderr,
                         "Endereço recusado: http://%s não é seguro (a senha e o token iriam sem "
                         "criptografia); use https, ou http só para 127.0.0.1, ::1 ou "
                         "localhost.\n",
                         host.c_str());
            return WebRequestSync();
        }
    }
    auto impl = std::make_unique<WebRequestSync::Impl>();
    impl->url = utf8;
    impl->timeouts = timeouts_ ? *timeouts_ : GetDefaultTimeouts();
    return WebRequestSync(std::move(impl));
}

}  // namespace web
