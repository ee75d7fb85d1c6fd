#include "common/ArchivoTemporal.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace {

[[noreturn]] void fallo(const std::string& que) {
    throw std::system_error(errno, std::generic_category(), que);
}

} // namespace

ArchivoTemporal::ArchivoTemporal(std::filesystem::path temporal) : temporal_(std::move(temporal)) {
    archivo_ = ::open(temporal_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (archivo_ < 0) {
        fallo(temporal_.string());
    }
}

ArchivoTemporal::~ArchivoTemporal() {
    cerrar();
    if (!colocado_) {
        std::error_code ec;
        std::filesystem::remove(temporal_, ec);
    }
}

void ArchivoTemporal::cerrar() {
    if (archivo_ >= 0) {
        ::close(archivo_);
        archivo_ = -1;
    }
}

void ArchivoTemporal::anadir(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* p = bytes.data();
    std::size_t resto = bytes.size();
    while (resto > 0) {
        const ssize_t escritos = ::write(archivo_, p, resto);
        if (escritos < 0) {
            if (errno == EINTR) {
                continue;
            }
            fallo(temporal_.string());
        }
        p += escritos;
        resto -= static_cast<std::size_t>(escritos);
    }
    tamano_ += bytes.size();
}

void ArchivoTemporal::colocar(const std::filesystem::path& destino) {
    if (::fsync(archivo_) != 0) {
        fallo(temporal_.string());
    }
    const int rc = ::close(archivo_);
    archivo_ = -1;
    if (rc != 0) {
        fallo(temporal_.string());
    }
    if (::rename(temporal_.c_str(), destino.c_str()) != 0) {
        fallo(destino.string());
    }
    colocado_ = true;
    // The folder's entry is on disk only once the folder itself is synchronised.
    const std::filesystem::path carpeta =
        destino.has_parent_path() ? destino.parent_path() : std::filesystem::path(".");
    const int dir = ::open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        fallo(carpeta.string());
    }
    const int sincronizado = ::fsync(dir);
    const int error = errno;
    ::close(dir);
    if (sincronizado != 0) {
        errno = error;
        fallo(carpeta.string());
    }
}
