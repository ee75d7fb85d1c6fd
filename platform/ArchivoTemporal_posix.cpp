#include "platform/ArchivoTemporal.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr std::size_t kPagina = 4096;     // the alignment of direct writes
constexpr std::size_t kEspera = 1u << 20; // gathered before each direct write

[[noreturn]] void fallo(const std::string& que) {
    throw std::system_error(errno, std::generic_category(), que);
}

void escribir(int archivo, const std::uint8_t* p, std::size_t resto, const std::string& que) {
    while (resto > 0) {
        const ssize_t escritos = ::write(archivo, p, resto);
        if (escritos < 0) {
            if (errno == EINTR) {
                continue;
            }
            fallo(que);
        }
        p += escritos;
        resto -= static_cast<std::size_t>(escritos);
    }
}

} // namespace

ArchivoTemporal::ArchivoTemporal(std::filesystem::path temporal) : temporal_(std::move(temporal)) {
    constexpr int kModo = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
#ifdef O_DIRECT
    espera_ = static_cast<std::uint8_t*>(std::aligned_alloc(kPagina, kEspera));
    if (espera_ != nullptr) {
        archivo_ = ::open(temporal_.c_str(), kModo | O_DIRECT, 0644);
        directo_ = archivo_ >= 0;
    }
#endif
    if (archivo_ < 0) { // a file system without direct writes
        archivo_ = ::open(temporal_.c_str(), kModo, 0644);
    }
    if (archivo_ < 0) {
        const int error = errno;
        std::free(espera_);
        errno = error;
        fallo(temporal_.string());
    }
}

ArchivoTemporal::~ArchivoTemporal() {
    cerrar();
    std::free(espera_);
    if (!colocado_) {
        std::error_code ec;
        std::filesystem::remove(temporal_, ec);
    }
}

// Writes the first `bytes` gathered (whole pages but for the file's last ones) and keeps the
// rest. Direct writes the file system refuses are made through the page cache instead.
void ArchivoTemporal::volcar(std::size_t bytes) {
    if (bytes == 0) {
        return;
    }
    const auto sinDirecto = [this] {
        directo_ = false;
        ::fcntl(archivo_, F_SETFL, ::fcntl(archivo_, F_GETFL) & ~O_DIRECT);
    };
    if (bytes % kPagina != 0) {
        sinDirecto();
    }
    const ssize_t escritos = ::write(archivo_, espera_, bytes);
    std::size_t hechos = 0;
    if (escritos >= 0) {
        hechos = static_cast<std::size_t>(escritos);
    } else if (errno == EINVAL && directo_) {
        sinDirecto();
    } else if (errno != EINTR) {
        fallo(temporal_.string());
    }
    if (hechos % kPagina != 0) { // what is left no longer starts on a page
        sinDirecto();
    }
    escribir(archivo_, espera_ + hechos, bytes - hechos, temporal_.string());
    enEspera_ -= bytes;
    std::memmove(espera_, espera_ + bytes, enEspera_);
}

void ArchivoTemporal::cerrar() {
    if (archivo_ >= 0) {
        ::close(archivo_);
        archivo_ = -1;
    }
}

void ArchivoTemporal::anadir(std::span<const std::uint8_t> bytes) {
    if (!directo_) {
        escribir(archivo_, bytes.data(), bytes.size(), temporal_.string());
        tamano_ += bytes.size();
        return;
    }
    while (!bytes.empty()) {
        const std::size_t parte = std::min(bytes.size(), kEspera - enEspera_);
        std::memcpy(espera_ + enEspera_, bytes.data(), parte);
        enEspera_ += parte;
        tamano_ += parte;
        bytes = bytes.subspan(parte);
        if (enEspera_ == kEspera) {
            volcar(kEspera);
        }
    }
}

void ArchivoTemporal::colocar(const std::filesystem::path& destino) {
    volcar(enEspera_ / kPagina * kPagina);
    volcar(enEspera_);
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

void anadirLineaDuradera(const std::filesystem::path& archivo, std::string_view linea) {
    const int f = ::open(archivo.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (f < 0) {
        fallo(archivo.string());
    }
    std::string texto(linea);
    char ultimo = '\n';
    const off_t largo = ::lseek(f, 0, SEEK_END);
    if (largo > 0 && ::pread(f, &ultimo, 1, largo - 1) == 1 && ultimo != '\n') {
        texto.insert(texto.begin(), '\n');
    }
    try {
        escribir(f, reinterpret_cast<const std::uint8_t*>(texto.data()), texto.size(),
                 archivo.string());
        if (::fsync(f) != 0) {
            fallo(archivo.string());
        }
    } catch (...) {
        ::close(f);
        throw;
    }
    ::close(f);
}
