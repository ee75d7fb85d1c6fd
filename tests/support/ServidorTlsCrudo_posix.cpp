#include "tests/support/ServidorTlsCrudo.h"

#include <arpa/inet.h>
#include <chrono>
#include <memory>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

ServidorTlsCrudo::ServidorTlsCrudo(const std::filesystem::path& certificado,
                                   const std::filesystem::path& clave,
                                   const std::filesystem::path& ca, std::string respuesta)
    : futura_(recibida_.get_future()) {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in dir{};
    dir.sin_family = AF_INET;
    dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t largo = sizeof dir;
    if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&dir), sizeof dir) != 0 ||
        ::listen(socket_, 1) != 0 ||
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&dir), &largo) != 0) {
        throw std::runtime_error("no se puede escuchar en 127.0.0.1");
    }
    puerto_ = ntohs(dir.sin_port);

    std::shared_ptr<SSL_CTX> ctx(SSL_CTX_new(TLS_server_method()), SSL_CTX_free);
    if (SSL_CTX_use_certificate_chain_file(ctx.get(), certificado.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(ctx.get(), clave.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_load_verify_locations(ctx.get(), ca.c_str(), nullptr) != 1) {
        throw std::runtime_error("certificado del servidor de prueba no válido");
    }
    SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);

    hilo_ = std::thread([this, ctx, respuesta = std::move(respuesta)] {
        std::string peticion;
        pollfd p{socket_, POLLIN, 0};
        if (::poll(&p, 1, 30000) == 1) {
            const int conexion = ::accept(socket_, nullptr, nullptr);
            SSL* ssl = SSL_new(ctx.get());
            SSL_set_fd(ssl, conexion);
            if (SSL_accept(ssl) == 1) {
                char buf[4096];
                std::size_t esperado = std::string::npos;
                while (peticion.size() < esperado) {
                    const int n = SSL_read(ssl, buf, sizeof buf);
                    if (n <= 0) {
                        break;
                    }
                    peticion.append(buf, static_cast<std::size_t>(n));
                    const auto fin = peticion.find("\r\n\r\n");
                    const auto cl = peticion.find("Content-Length: ");
                    if (fin != std::string::npos && cl != std::string::npos && cl < fin) {
                        esperado = fin + 4 + std::stoul(peticion.substr(cl + 16));
                    }
                }
                const std::string r =
                    "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                    std::to_string(respuesta.size()) + "\r\nConnection: close\r\n\r\n" + respuesta;
                SSL_write(ssl, r.data(), static_cast<int>(r.size()));
                SSL_shutdown(ssl);
            }
            SSL_free(ssl);
            ::close(conexion);
        }
        recibida_.set_value(peticion);
    });
}

ServidorTlsCrudo::~ServidorTlsCrudo() {
    ::shutdown(socket_, SHUT_RDWR);
    if (hilo_.joinable()) {
        hilo_.join();
    }
    ::close(socket_);
}

std::string ServidorTlsCrudo::peticion() {
    if (futura_.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        return {};
    }
    return futura_.get();
}
