#pragma once
// A sketch running on lumetto-emulatore for the life of a test, its line
// linked as comN in the test's HOME: what the test wires to the board goes
// to the emulator's standard input, what the board's pins do comes back as
// report lines, read on a thread of their own. `millivolt` is the board's
// supply, as a USB port gives it (4600 to 5200).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace lumetto::prove {

class SchedaEmulata {
  public:
    explicit SchedaEmulata(const std::string& sketch, int porta = 13, int millivolt = 5000)
        : sketch_(sketch), porta_(porta) {
        namespace fs = std::filesystem;
        const std::string elf =
            (fs::path(LUMETTO_FIRMWARE_BUILD) / sketch / (sketch + ".elf")).string();
        const std::string log =
            (fs::path(std::getenv("HOME")) / ("emulatore-" + sketch + ".log")).string();
        int dentro[2], fuori[2];
        if (::pipe2(dentro, O_CLOEXEC) != 0 || ::pipe2(fuori, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t azioni;
        posix_spawn_file_actions_init(&azioni);
        posix_spawn_file_actions_adddup2(&azioni, dentro[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&azioni, fuori[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&azioni, STDERR_FILENO, log.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string p = std::to_string(porta), v = std::to_string(millivolt);
        const char* argv[] = {LUMETTO_EMULATORE, "--elf", elf.c_str(), "--porta",
                              p.c_str(),         "--vcc", v.c_str(),   nullptr};
        const int r = posix_spawn(&pid_, LUMETTO_EMULATORE, &azioni, nullptr,
                                  const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&azioni);
        ::close(dentro[0]);
        ::close(fuori[1]);
        ingresso_ = dentro[1];
        uscita_ = fuori[0];
        if (r != 0) {
            pid_ = 0;
            return;
        }
        lettore_ = std::thread([this] { leggi(); });
        // A board is up long before a button is pressed: bytes sent before
        // the sketch opens its UART are lost, on a real board as here.
        pronto_ = attendi("pronto ", std::chrono::seconds(10)).has_value() && sincronizza(100);
    }
    ~SchedaEmulata() {
        comanda("esci");
        if (ingresso_ >= 0) ::close(ingresso_);
        if (pid_ > 0) {
            // A board that does not stop by itself within 5 s is stopped.
            for (int i = 0; i < 500; ++i) {
                if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                    pid_ = 0;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            if (pid_ > 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
            }
        }
        if (lettore_.joinable()) lettore_.join();
        if (uscita_ >= 0) ::close(uscita_);
    }
    SchedaEmulata(const SchedaEmulata&) = delete;
    SchedaEmulata& operator=(const SchedaEmulata&) = delete;

    bool pronto() const { return pronto_; }
    const std::string& sketch() const { return sketch_; }
    // The port as the program names it ("COM13"), and the link it opens.
    std::string porta() const { return "COM" + std::to_string(porta_); }
    std::string collegamento() const {
        return std::string(std::getenv("HOME")) + "/.lumetto/dosdevices/com" +
               std::to_string(porta_);
    }

    // One line to the emulator; then sincronizza() to know it is in effect.
    // With `ms`, it also waits for that much of the board's own time, so a
    // test waits for the sketch, whatever the speed of the machine.
    void comanda(const std::string& riga) {
        if (ingresso_ < 0) return;
        const std::string r = riga + "\n";
        ssize_t n = ::write(ingresso_, r.data(), r.size());
        (void)n;
    }
    bool sincronizza(double ms = 0) {
        const std::string n = std::to_string(++sincro_);
        // Whole milliseconds: no decimal separator for a locale to change.
        comanda("sincro " + n + " " + std::to_string(static_cast<long>(ms)));
        return attendi("sincro " + n, std::chrono::seconds(30)).has_value();
    }

    // The first report from line `da` on that starts with `inizio`.
    std::optional<std::string> attendi(const std::string& inizio, std::chrono::milliseconds entro,
                                       size_t da = 0) {
        std::unique_lock lock(m_);
        std::optional<std::string> trovata;
        cv_.wait_for(lock, entro, [&] {
            for (size_t i = da; i < righe_.size(); ++i)
                if (righe_[i].rfind(inizio, 0) == 0) return trovata.emplace(righe_[i]), true;
            return finito_;
        });
        return trovata;
    }
    std::vector<std::string> rapporti() {
        std::lock_guard lock(m_);
        return righe_;
    }
    size_t quanti() {
        std::lock_guard lock(m_);
        return righe_.size();
    }

  private:
    void leggi() {
        std::string resto;
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(uscita_, buf, sizeof buf);
            if (n <= 0) break;
            resto.append(buf, static_cast<size_t>(n));
            size_t a;
            std::lock_guard lock(m_);
            while ((a = resto.find('\n')) != std::string::npos) {
                righe_.push_back(resto.substr(0, a));
                resto.erase(0, a + 1);
            }
            cv_.notify_all();
        }
        std::lock_guard lock(m_);
        finito_ = true;
        cv_.notify_all();
    }

    std::string sketch_;
    int porta_;
    pid_t pid_ = 0;
    int ingresso_ = -1, uscita_ = -1;
    bool pronto_ = false;
    int sincro_ = 0;
    std::thread lettore_;
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<std::string> righe_;
    bool finito_ = false;
};

// One of the library's examples ("Libero") on an emulated Uno for as long as
// the caller keeps it, its sketch already running: the program opens
// board->porta(). Null when the emulator did not start.
inline std::unique_ptr<SchedaEmulata> avviaEmulata(const std::string& sketch, int porta = 13,
                                                   int millivolt = 5000) {
    auto board = std::make_unique<SchedaEmulata>(sketch, porta, millivolt);
    if (!board->pronto()) board.reset();
    return board;
}

}  // namespace lumetto::prove
