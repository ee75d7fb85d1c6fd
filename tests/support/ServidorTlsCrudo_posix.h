#pragma once

#include <arpa/inet.h>
#include <filesystem>
#include <future>
#include <memory>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

// A one-request HTTPS server on 127.0.0.1 that keeps the request exactly as it came over
// the wire (the HTTP libraries drop headers with empty values when they parse). It asks
// for a client certificate of `ca` and answers 200 with `respuesta` as the body.
class ServidorTlsCrudo {
public:
    ServidorTlsCrudo(const std::filesystem::path& certificado, const std::filesystem::path& clave,
                     const std::filesystem::path& ca, std::string respuesta) {
        sockaddr_in dir{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t largo = sizeof dir;
        std::shared_ptr<SSL_CTX> ctx(SSL_CTX_new(TLS_server_method()), SSL_CTX_free);
        if (bind(socket_, reinterpret_cast<sockaddr*>(&dir), sizeof dir) != 0 ||
            listen(socket_, 1) != 0 ||
            getsockname(socket_, reinterpret_cast<sockaddr*>(&dir), &largo) != 0 ||
            SSL_CTX_use_certificate_chain_file(ctx.get(), certificado.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(ctx.get(), clave.c_str(), SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_load_verify_locations(ctx.get(), ca.c_str(), nullptr) != 1) {
            throw std::runtime_error("no se puede servir HTTPS en 127.0.0.1");
        }
        puerto_ = ntohs(dir.sin_port);
        SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
        hilo_ = std::thread([this, ctx, r = std::move(respuesta)] { atender(ctx.get(), r); });
    }
    ~ServidorTlsCrudo() {
        shutdown(socket_, SHUT_RDWR);
        hilo_.join();
        close(socket_);
    }

    int puerto() const { return puerto_; }
    // The request head and body, waited for up to 30 s; "" when none came.
    std::string peticion() {
        const bool llego = futura_.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        return llego ? futura_.get() : "";
    }

private:
    // Reads up to the end of the body its Content-Length announces, then answers.
    void atender(SSL_CTX* ctx, const std::string& respuesta) {
        std::string peticion;
        pollfd p{socket_, POLLIN, 0};
        if (poll(&p, 1, 30000) == 1) {
            const int conexion = accept(socket_, nullptr, nullptr);
            SSL* ssl = SSL_new(ctx);
            SSL_set_fd(ssl, conexion);
            if (SSL_accept(ssl) == 1) {
                char buf[4096];
                for (int n; peticion.size() < esperado(peticion) &&
                            (n = SSL_read(ssl, buf, sizeof buf)) > 0;) {
                    peticion.append(buf, static_cast<std::size_t>(n));
                }
                const std::string r =
                    "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                    std::to_string(respuesta.size()) + "\r\nConnection: close\r\n\r\n" + respuesta;
                SSL_write(ssl, r.data(), static_cast<int>(r.size()));
                SSL_shutdown(ssl);
            }
            SSL_free(ssl);
            close(conexion);
        }
        recibida_.set_value(peticion);
    }
    static std::size_t esperado(const std::string& p) {
        const auto fin = p.find("\r\n\r\n");
        const auto cl = p.find("Content-Length: ");
        return fin != std::string::npos && cl < fin ? fin + 4 + std::stoul(p.substr(cl + 16))
                                                    : std::string::npos;
    }

    int socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int puerto_ = 0;
    std::promise<std::string> recibida_;
    std::future<std::string> futura_ = recibida_.get_future();
    std::thread hilo_;
};
