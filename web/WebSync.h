#pragma once

// A small synchronous HTTPS client with the shape of wxWidgets 3.3's wxWebSessionSync and
// wxWebRequestSync, built on libcurl because the toolkit we ship on has no web request classes.
//
// A request without a body is a GET; SetData() gives it a body and makes it a POST. Execute()
// blocks the calling thread and ends Completed or Failed: transport errors and HTTP statuses of
// 400 and above are failures, as in the toolkit, and so are redirects (never followed) and a
// transfer that ends without an HTTP status. TLS certificates are always verified, and plain
// http is only used towards this machine.

#include <wx/strconv.h>
#include <wx/string.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace web {

// Limits applied to every transfer. A host that accepts the connection and then never answers
// must not hang the caller: the transfer fails after `stall` without a single byte moving.
struct Timeouts {
    std::chrono::milliseconds connect{10'000};
    std::chrono::milliseconds stall{60'000};
    // A reply body larger than this fails the transfer instead of growing the process until the
    // system kills it. Far above any real reply of the service.
    std::size_t max_body = std::size_t{256} << 20;
};

// The process-wide limits, read by every request a default-constructed session creates after
// the call. Tests shorten them.
void SetDefaultTimeouts(const Timeouts& timeouts);
Timeouts GetDefaultTimeouts();

class WebResponse {
public:
    int GetStatus() const { return status_; }
    // The body decoded from UTF-8 (invalid sequences are replaced rather than dropping all).
    wxString AsString() const;
    // The body exactly as received.
    const std::string& GetBody() const { return body_; }
    wxString GetHeader(const wxString& name) const;

private:
    friend class WebRequestSync;
    int status_ = 0;
    std::string body_;
    std::vector<std::pair<std::string, std::string>> headers_;
};

class WebRequestSync {
public:
    enum State { State_Idle, State_Completed, State_Failed, State_Cancelled };

    struct Result {
        State state = State_Idle;
        wxString error;   // libcurl's text, or the HTTP status, when state is not Completed
        wxString motivo;  // the same reason in plain Portuguese, for a person to read
        explicit operator bool() const { return state == State_Completed; }
    };

    WebRequestSync();  // an invalid request: IsOk() is false
    WebRequestSync(WebRequestSync&&) noexcept;
    WebRequestSync& operator=(WebRequestSync&&) noexcept;
    ~WebRequestSync();

    bool IsOk() const { return impl_ != nullptr; }

    void SetHeader(const wxString& name, const wxString& value);
    void SetData(const wxString& text, const wxString& contentType,
                 const wxMBConv& conv = wxConvUTF8);
    // Polled while the transfer runs, at least a few times a second; returning true aborts it
    // and Execute() ends in State_Cancelled.
    void SetCancelCheck(std::function<bool()> cancelled);
    // Appends each piece of the body as it arrives, in place of a plain append, on the thread
    // that runs Execute(): for a caller that reads the body while it grows. It must append the
    // `size` bytes at `data` to `body`, or throw (which fails the transfer).
    void SetBodyAppender(
        std::function<void(std::string& body, const char* data, size_t size)> append);

    Result Execute();
    const WebResponse& GetResponse() const { return response_; }
    // Moves the body out of the response, which is left with none: a large reply is then never
    // held twice.
    std::string TakeResponseBody() { return std::move(response_.body_); }

private:
    friend class WebSessionSync;
    struct Impl;
    explicit WebRequestSync(std::unique_ptr<Impl> impl);

    std::unique_ptr<Impl> impl_;
    WebResponse response_;
};

class WebSessionSync {
public:
    // A session with the process-wide limits. Sessions hold no connection state of their own,
    // so any number may be used at once from different threads.
    WebSessionSync() = default;
    explicit WebSessionSync(const Timeouts& timeouts) : timeouts_(timeouts) {}

    static WebSessionSync& GetDefault();
    static WebSessionSync New() { return WebSessionSync(); }

    bool IsOpened() const;

    // An invalid request (IsOk() false) when the URL is not https, or http to a loopback host
    // (127.0.0.1, [::1], localhost); the scheme is read in any case, as URLs allow. A refused
    // http address is reported with one line on stderr.
    WebRequestSync CreateRequest(const wxString& url) const;

private:
    std::optional<Timeouts> timeouts_;
};

}  // namespace web
