// The HTTPS layer against real servers on loopback: a TLS server with the test certificates,
// a listener that accepts and never answers, and a closed port.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/support/ServicoTeste.h"
#include "web/WebSync.h"

using namespace std::chrono_literals;
using web::WebRequestSync;
using web::WebSessionSync;

namespace {

std::string Cert(const std::string& name) {
    return teste::ServicoTeste::CertDir() + "/" + name;
}

// A TLS server on 127.0.0.1 with a certificate from the test CA; SSL_CERT_FILE names that CA.
class ServidorTls {
public:
    explicit ServidorTls(const std::string& cert = "server") {
        server_ = std::make_unique<httplib::SSLServer>(Cert(cert + ".pem").c_str(),
                                                       Cert(cert + ".key").c_str());
        setenv("SSL_CERT_FILE", Cert("ca.pem").c_str(), 1);
    }
    ~ServidorTls() {
        liberar = true;
        server_->stop();
        if (thread_.joinable()) thread_.join();
    }
    httplib::SSLServer& operator*() { return *server_; }
    httplib::SSLServer* operator->() { return server_.get(); }
    std::string Iniciar() {
        port_ = server_->bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_->listen_after_bind(); });
        for (int i = 0; i < 500 && !server_->is_running(); ++i) std::this_thread::sleep_for(10ms);
        return "https://127.0.0.1:" + std::to_string(port_);
    }
    // A route that holds its reply back until `liberar` (five seconds at most).
    void Lento(const std::string& caminho) {
        server_->Get(caminho, [this](const httplib::Request&, httplib::Response& res) {
            for (int i = 0; i < 500 && !liberar; ++i) std::this_thread::sleep_for(10ms);
            res.set_content("tarde", "text/plain");
        });
    }
    std::atomic<bool> liberar{false};

private:
    std::unique_ptr<httplib::SSLServer> server_;
    std::thread thread_;
    int port_ = 0;
};

// A plain TCP listener that accepts connections and never sends a byte.
class OuvinteMudo {
public:
    OuvinteMudo() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(fd_, 4);
        socklen_t len = sizeof addr;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
    }
    ~OuvinteMudo() { close(fd_); }
    std::string Url() const { return "https://127.0.0.1:" + std::to_string(port_); }

private:
    int fd_ = -1;
    int port_ = 0;
};

int PortaFechada() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

template <typename F>
std::chrono::milliseconds Cronometrar(F&& f) {
    const auto inicio = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 inicio);
}

}  // namespace

TEST(WebSync, GetAndPostCarryTheirHeadersAndBodyExactly) {
    ServidorTls servidor;
    httplib::Request visto;
    servidor->Get("/g", [&](const httplib::Request& req, httplib::Response& res) {
        visto = req;
        res.set_content("{\"ok\":true}", "application/json");
    });
    servidor->Post("/p", [&](const httplib::Request& req, httplib::Response& res) {
        visto = req;
        res.set_content("Olá, açúcar", "text/plain; charset=utf-8");
    });
    const std::string base = servidor.Iniciar();

    auto get = WebSessionSync::GetDefault().CreateRequest(base + "/g");
    ASSERT_TRUE(get.IsOk());
    get.SetHeader("secret-key", "tok\r\nInjected: yes");
    auto r = get.Execute();
    EXPECT_EQ(r.state, WebRequestSync::State_Completed) << r.error;
    EXPECT_EQ(visto.method, "GET");
    EXPECT_TRUE(visto.body.empty());
    EXPECT_EQ(visto.get_header_value("secret-key"), "tok  Injected: yes");
    EXPECT_FALSE(visto.has_header("Injected"));
    EXPECT_EQ(get.GetResponse().GetStatus(), 200);
    EXPECT_EQ(get.GetResponse().AsString(), "{\"ok\":true}");

    auto post = WebSessionSync::GetDefault().CreateRequest(base + "/p");
    post.SetData(wxString::FromUTF8("{\"nome\":\"João\"}"), "application/json; charset=UTF-8");
    r = post.Execute();
    EXPECT_EQ(r.state, WebRequestSync::State_Completed) << r.error;
    EXPECT_EQ(visto.method, "POST");
    EXPECT_EQ(visto.body, "{\"nome\":\"João\"}");
    EXPECT_EQ(visto.get_header_value("Content-Type"), "application/json; charset=UTF-8");
    EXPECT_EQ(post.GetResponse().AsString(), wxString(L"Olá, açúcar"));
}

TEST(WebSync, HttpErrorStatusesFailAndKeepTheReply) {
    ServidorTls servidor;
    servidor->Get("/negado", [](const httplib::Request&, httplib::Response& res) {
        res.status = 401;
        res.set_content("nope", "text/plain");
    });
    servidor->Get("/redirect", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("https://example.invalid/", 301);
    });
    const std::string base = servidor.Iniciar();

    auto negado = WebSessionSync::GetDefault().CreateRequest(base + "/negado");
    const auto recusa = negado.Execute();
    EXPECT_EQ(recusa.state, WebRequestSync::State_Failed);
    EXPECT_EQ(negado.GetResponse().GetStatus(), 401);
    EXPECT_EQ(recusa.motivo, L"o serviço recusou o acesso (HTTP 401): faça o login de novo");

    // Redirects are not followed, so they are no answer either.
    auto redirect = WebSessionSync::GetDefault().CreateRequest(base + "/redirect");
    const auto desvio = redirect.Execute();
    EXPECT_EQ(desvio.state, WebRequestSync::State_Failed);
    EXPECT_EQ(redirect.GetResponse().GetStatus(), 301);
    EXPECT_NE(desvio.motivo.Find("HTTP 301"), wxNOT_FOUND) << desvio.motivo;
}

// A Content-Length among a chunked reply's trailers, which libcurl hands over once the body is
// complete, does not size the body: another thread may be reading it by then.
TEST(WebSync, ContentLengthOfATrailerDoesNotSizeTheBody) {
    ServidorTls servidor;
    const std::string corpo(100'000, 'x');
    servidor->Get("/trailer", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("Transfer-Encoding", "chunked");
        res.set_content_provider("text/plain", [&](std::size_t, httplib::DataSink& sink) {
            const std::string bruto =
                "186a0\r\n" + corpo + "\r\n0\r\nContent-Length: 200000000\r\n\r\n";
            sink.write(bruto.data(), bruto.size());
            sink.done();
            return true;
        });
    });
    const std::string base = servidor.Iniciar();
    auto req = WebSessionSync::GetDefault().CreateRequest(base + "/trailer");
    EXPECT_EQ(req.Execute().state, WebRequestSync::State_Completed);
    EXPECT_EQ(req.GetResponse().GetHeader("Content-Length"), "200000000");  // it did arrive
    const std::string recebido = req.TakeResponseBody();
    EXPECT_EQ(recebido, corpo);
    EXPECT_LT(recebido.capacity(), std::size_t{1} << 20);
}

TEST(WebSync, CertificatesAreAlwaysVerified) {
    for (const char* cert : {"selfsigned", "wronghost"}) {
        ServidorTls servidor(cert);
        bool atendido = false;
        servidor->Get("/", [&](const httplib::Request&, httplib::Response& res) {
            atendido = true;
            res.set_content("x", "text/plain");
        });
        const std::string base = servidor.Iniciar();
        auto req = WebSessionSync::GetDefault().CreateRequest(base + "/");
        req.SetHeader("secret-key", "segredo");
        const auto r = req.Execute();
        EXPECT_EQ(r.state, WebRequestSync::State_Failed) << cert;
        EXPECT_EQ(r.motivo, L"o certificado do serviço foi recusado: a conexão não é segura")
            << cert << " " << r.error;
        EXPECT_FALSE(atendido) << cert;
    }
}

TEST(WebSync, UnreachableOrSilentServersFailWithinTheirLimits) {
    auto fechada = WebSessionSync::GetDefault().CreateRequest(
        "https://127.0.0.1:" + std::to_string(PortaFechada()) + "/");
    WebRequestSync::Result r;
    EXPECT_LT(Cronometrar([&] { r = fechada.Execute(); }), 2000ms);
    EXPECT_EQ(r.state, WebRequestSync::State_Failed);
    EXPECT_EQ(r.motivo, L"não foi possível conectar ao serviço");

    const web::Timeouts curtos{10'000ms, 400ms};
    OuvinteMudo mudo;
    auto silenciosa = WebSessionSync(curtos).CreateRequest(mudo.Url() + "/");
    const auto tempo = Cronometrar([&] { r = silenciosa.Execute(); });
    EXPECT_EQ(r.state, WebRequestSync::State_Failed);
    EXPECT_GE(tempo, 400ms);
    EXPECT_LT(tempo, 3000ms);
    EXPECT_EQ(r.motivo, L"o serviço ficou 400 ms sem enviar dados");

    // A server that completes the handshake and then holds the reply back.
    ServidorTls servidor;
    servidor.Lento("/lento");
    const std::string base = servidor.Iniciar();
    web::SetDefaultTimeouts(curtos);
    auto lenta = WebSessionSync::GetDefault().CreateRequest(base + "/lento");
    EXPECT_LT(Cronometrar([&] { r = lenta.Execute(); }), 3000ms);
    EXPECT_EQ(r.state, WebRequestSync::State_Failed);
    web::SetDefaultTimeouts(web::Timeouts{});
    servidor.liberar = true;
}

TEST(WebSync, CancelCheckStopsATransferPromptly) {
    ServidorTls servidor;
    servidor.Lento("/lento");
    const std::string base = servidor.Iniciar();
    std::atomic<bool> cancelar{false};
    auto req = WebSessionSync::GetDefault().CreateRequest(base + "/lento");
    req.SetCancelCheck([&] { return cancelar.load(); });
    std::thread cancelador([&] {
        std::this_thread::sleep_for(200ms);
        cancelar = true;
    });
    WebRequestSync::Result r;
    EXPECT_LT(Cronometrar([&] { r = req.Execute(); }), 1500ms);
    cancelador.join();
    EXPECT_EQ(r.state, WebRequestSync::State_Cancelled);
    servidor.liberar = true;
}

// https anywhere; plain http only to this machine, and each refusal says why on stderr.
TEST(WebSync, OnlyHttpsOrLoopbackHttpMakeValidRequests) {
    const auto criar = [](const char* url, bool valida) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(WebSessionSync::GetDefault().CreateRequest(url).IsOk(), valida) << url;
        const std::string erro = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(erro.begin(), erro.end(), '\n'), valida ? 0 : 1) << url << erro;
    };
    for (const char* url : {"https://exemplo.com.br/", "HTTPS://exemplo.com.br/",
                            "http://127.0.0.1:9/", "http://[::1]:9/", "Http://LocalHost:9/"})
        criar(url, true);
    for (const char* url : {"http://exemplo.com.br/", "http://localhost@exemplo.com.br/",
                            "http://127.0.0.1.exemplo.com.br/", "http://127.0.0.2/"})
        criar(url, false);
    EXPECT_FALSE(WebSessionSync::GetDefault().CreateRequest("ftp://127.0.0.1/").IsOk());
    EXPECT_FALSE(WebSessionSync::GetDefault().CreateRequest("").IsOk());
    EXPECT_FALSE(WebRequestSync().IsOk());
    EXPECT_EQ(WebRequestSync().Execute().state, WebRequestSync::State_Failed);
}

TEST(WebSync, RepliesThatAreNotUtf8StillReadAsText) {
    ServidorTls servidor;
    servidor->Get("/latin1", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("caf\xe9 <html>", "text/html; charset=iso-8859-1");
    });
    const std::string base = servidor.Iniciar();
    auto req = WebSessionSync::GetDefault().CreateRequest(base + "/latin1");
    ASSERT_EQ(req.Execute().state, WebRequestSync::State_Completed);
    EXPECT_EQ(req.GetResponse().AsString(), wxString(L"caf\uFFFD <html>"));
}
