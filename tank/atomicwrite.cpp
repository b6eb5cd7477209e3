#include "tank/atomicwrite.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvol {
namespace {

// As the kernel's own limit on links followed in one name.
constexpr int kMaxLinks = 40;
constexpr int kNameAttempts = 100;

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path finally names: each symbolic link's target in turn, a relative one read from the link's folder.
// A name that does not exist yet is its own target.
expected<std::string, int> finalTarget(std::string path)
{
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat st {};
        const bool found = ::lstat(path.c_str(), &st) == 0;
        if (!found && errno != ENOENT)
            return unexpected(errno);
        if (!found || !S_ISLNK(st.st_mode))
            return path;
        std::string link(4096, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0)
            return unexpected(errno);
        if (static_cast<std::size_t>(n) >= link.size())
            return unexpected(ENAMETOOLONG);
        link.resize(static_cast<std::size_t>(n));
        if (link.front() != '/')
            link.insert(0, folderOf(path) + '/');
        path = std::move(link);
    }
    return unexpected(ELOOP);
}

// A name beside the target that nobody can guess in advance; O_EXCL still settles a collision.
std::string temporaryName(const std::string& target)
{
    std::uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits))
        bits = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())
               ^ (static_cast<std::uint64_t>(::getpid()) << 40U);
    constexpr std::string_view kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = target + '.';
    for (int i = 0; i < 8; ++i, bits /= kDigits.size())
        name += kDigits[bits % kDigits.size()];
    return name;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC; // a write that takes nothing would repeat for ever
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

AtomicFile::AtomicFile(int fd, std::string target, std::string temporary)
    : m_fd(fd), m_target(std::move(target)), m_temporary(std::move(temporary))
{}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_target(std::move(other.m_target)),
      m_temporary(std::exchange(other.m_temporary, {})), m_error(other.m_error)
{}

AtomicFile& AtomicFile::operator=(AtomicFile&& other) noexcept
{
    if (this != &other) {
        release();
        m_fd = std::exchange(other.m_fd, -1);
        m_target = std::move(other.m_target);
        m_temporary = std::exchange(other.m_temporary, {});
        m_error = other.m_error;
    }
    return *this;
}

AtomicFile::~AtomicFile() { release(); }

expected<AtomicFile, int> AtomicFile::open(const std::string& path)
{
    if (path.empty())
        return unexpected(ENOENT);
    auto target = finalTarget(path);
    if (!target)
        return unexpected(target.error());
    struct stat old {};
    const bool exists = ::stat(target->c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
        return unexpected(errno);
    if (exists && S_ISDIR(old.st_mode))
        return unexpected(EISDIR);
    if (exists && !S_ISREG(old.st_mode)) {
        // without waiting: a FIFO nobody reads refuses at once (ENXIO) instead of holding the save for ever
        const int fd = ::open(target->c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return unexpected(errno);
        if (const int flags = ::fcntl(fd, F_GETFL); flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
            const int error = errno;
            ::close(fd);
            return unexpected(error);
        }
        return AtomicFile(fd, std::move(*target), {});
    }
    // the rename would go through a file its owner made read-only
    if (exists && ::access(target->c_str(), W_OK) != 0)
        return unexpected(errno);
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = temporaryName(*target);
        // mode 0666 under the umask: what a new file of the user's gets
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt + 1 == kNameAttempts))
            return unexpected(errno);
    }
    AtomicFile file(fd, std::move(*target), std::move(temporary));
    if (exists) {
        // the owner first, where allowed: changing it clears the set-id bits that the mode then restores
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            static_cast<void>(::fchown(fd, old.st_uid, old.st_gid));
        if (::fchmod(fd, old.st_mode & 07777) != 0)
            return unexpected(errno); // the temporary file goes with `file`
    }
    return file;
}

bool AtomicFile::write(std::string_view bytes)
{
    if (m_fd < 0 && m_error == 0)
        m_error = EBADF;
    if (m_error != 0)
        return false;
    if (!writeAll(m_fd, bytes)) {
        m_error = errno;
        return false;
    }
    return true;
}

AtomicOutcome AtomicFile::commit()
{
    const auto failed = [this](int error) {
        release();
        return unexpected(error);
    };
    if (m_fd < 0)
        return unexpected(m_error != 0 ? m_error : EBADF);
    if (m_error != 0)
        return failed(m_error);
    if (m_temporary.empty()) {
        // a device or FIFO has had every byte; one that cannot flush (EINVAL) had nothing to flush
        if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
            return failed(errno);
        if (::close(std::exchange(m_fd, -1)) != 0 && errno != EINTR)
            return unexpected(errno);
        return {};
    }
    if (::fsync(m_fd) != 0)
        return failed(errno);
    if (::close(std::exchange(m_fd, -1)) != 0 && errno != EINTR)
        return failed(errno);
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        return failed(errno);
    m_temporary.clear();
    // the rename itself reaches the disk with the folder
    if (const int dir = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

void AtomicFile::cancel() { release(); }

void AtomicFile::release()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_temporary.empty())
        ::unlink(std::exchange(m_temporary, {}).c_str());
}

AtomicOutcome writeAtomically(const std::string& path, std::string_view bytes)
{
    auto file = AtomicFile::open(path);
    if (!file)
        return unexpected(file.error());
    file->write(bytes);
    return file->commit();
}

std::string systemReasonText(int error)
{
    switch (error) {
    case ENOENT:
        return "нет такого файла или папки";
    case EACCES:
        return "нет прав доступа";
    case EPERM:
        return "операция не разрешена";
    case ENOSPC:
        return "на диске нет свободного места";
#ifdef EDQUOT
    case EDQUOT:
        return "исчерпана дисковая квота пользователя";
#endif
    case EROFS:
        return "диск или папка доступны только для чтения";
    case EISDIR:
        return "под этим именем папка, а не файл";
    case ENOTDIR:
        return "часть пути — не папка";
    case EEXIST:
        return "файл уже существует";
    case EBUSY:
        return "файл или устройство занято";
    case ETXTBSY:
        return "файл занят выполняемой программой";
    case EIO:
        return "ошибка ввода-вывода устройства";
    case ENAMETOOLONG:
        return "слишком длинное имя файла";
    case ELOOP:
        return "слишком много символических ссылок в пути";
    case EFBIG:
        return "файл превысил наибольший допустимый размер";
    case EOVERFLOW:
        return "файл слишком велик";
    case EMFILE:
    case ENFILE:
        return "открыто слишком много файлов";
    case ENOMEM:
        return "недостаточно памяти";
    case EXDEV:
        return "файл и папка на разных дисках";
    case ENXIO:
    case ENODEV:
        return "устройство не найдено";
    case EPIPE:
        return "принимающая сторона закрыла канал";
    case EINTR:
        return "операция прервана";
    case EAGAIN:
        return "ресурс временно недоступен";
    case ENOTEMPTY:
        return "папка не пуста";
    case EINVAL:
        return "недопустимая операция для этого файла";
    default:
        return "системная ошибка " + std::to_string(error);
    }
}

} // namespace tarvol
