#pragma once

#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

// One thread kept for work handed to it one piece at a time (the caller waits for a piece
// before handing the next). Starting a thread for each piece can cost milliseconds while
// the process is busy with memory, more than the wait it is meant to hide.
template <class Resultado> class HiloFondo {
public:
    HiloFondo() = default;
    HiloFondo(const HiloFondo&) = delete;
    HiloFondo& operator=(const HiloFondo&) = delete;
    // Waits for the piece in hand, if any.
    ~HiloFondo() {
        {
            std::lock_guard cerrojo(mutex_);
            fin_ = true;
        }
        aviso_.notify_one();
        if (hilo_.joinable()) {
            hilo_.join();
        }
    }

    std::future<Resultado> lanzar(std::function<Resultado()> trabajo) {
        std::packaged_task<Resultado()> tarea(std::move(trabajo));
        std::future<Resultado> futuro = tarea.get_future();
        {
            std::lock_guard cerrojo(mutex_);
            tarea_ = std::move(tarea);
            pendiente_ = true;
            if (!hilo_.joinable()) {
                hilo_ = std::thread([this] { atender(); });
            }
        }
        aviso_.notify_one();
        return futuro;
    }

private:
    void atender() {
        for (;;) {
            std::packaged_task<Resultado()> tarea;
            {
                std::unique_lock cerrojo(mutex_);
                aviso_.wait(cerrojo, [this] { return pendiente_ || fin_; });
                if (!pendiente_) {
                    return;
                }
                tarea = std::move(tarea_);
                pendiente_ = false;
            }
            tarea();
        }
    }

    std::mutex mutex_;
    std::condition_variable aviso_;
    std::packaged_task<Resultado()> tarea_;
    bool pendiente_ = false;
    bool fin_ = false;
    std::thread hilo_;
};
