/*
 * scrivlist-slowfs: a stand-in for a network share or a slow disk, for the
 * benchmark. It mirrors a source folder at a mount point.
 *
 *   scrivlist-slowfs SOURCE MOUNTPOINT [--list-latency-ms N] [--write-kbps N] [--hang-list NAME] [FUSE options]
 *   fusermount3 -u MOUNTPOINT
 *
 * --list-latency-ms N  every folder listing waits N ms before it answers, as
 *                      a round trip to a server would; the entries carry their
 *                      type, as listings over NFS and SMB do.
 * --write-kbps N       the mirror can be written: writes pass through slowed to
 *                      N kB/s in all (1 kB = 1000 bytes); fsync, rename and the
 *                      rest pass straight through. Without it, it is read-only.
 * --hang-list NAME     a listing of a folder of that name never answers, as on a share
 *                      that died while the rest was cached: the caller waits in the
 *                      kernel, beyond the reach of any signal, until the stand-in is
 *                      killed (then: fusermount3 -u -z MOUNTPOINT).
 *
 * It runs in the background with many threads, so listings can be in flight
 * at once; -f keeps it in the foreground. Needs /dev/fuse and fusermount3.
 */

#define FUSE_USE_VERSION 31

#include <fuse.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

struct settings {
    char* source;
    unsigned list_latency_ms;
    unsigned write_kbps;
    char* hang_list;
};

static struct settings settings;
static pthread_mutex_t write_clock_lock = PTHREAD_MUTEX_INITIALIZER;
/* When the writes asked for so far are done at the allowed rate. */
static struct timespec write_clock;

#define SETTING(t, p) {t, offsetof(struct settings, p), 1}
static const struct fuse_opt options[] = {
    SETTING("--list-latency-ms %u", list_latency_ms),
    SETTING("--list-latency-ms=%u", list_latency_ms),
    SETTING("--write-kbps %u", write_kbps),
    SETTING("--write-kbps=%u", write_kbps),
    SETTING("--hang-list %s", hang_list),
    SETTING("--hang-list=%s", hang_list),
    FUSE_OPT_END,
};

static int take_source(void* data, const char* arg, int key, struct fuse_args* args)
{
    (void)data;
    (void)args;
    if (key == FUSE_OPT_KEY_NONOPT && settings.source == NULL) {
        settings.source = realpath(arg, NULL);
        if (settings.source == NULL) {
            fprintf(stderr, "scrivlist-slowfs: %s: %s\n", arg, strerror(errno));
            exit(1);
        }
        return 0;
    }
    return 1;
}

/* The source's path for a path below the mount point. */
static int source_path(char out[PATH_MAX], const char* path)
{
    return snprintf(out, PATH_MAX, "%s%s", settings.source, path) < PATH_MAX ? 0 : -ENAMETOOLONG;
}

#define WITH_SOURCE(name, path)                                                                                        \
    char name[PATH_MAX];                                                                                               \
    if (source_path(name, path) != 0)                                                                                  \
    return -ENAMETOOLONG

static int result(int returned)
{
    return returned < 0 ? -errno : 0;
}

static void sleep_ms(unsigned ms)
{
    const struct timespec pause = {ms / 1000, (long)(ms % 1000) * 1000000L};
    nanosleep(&pause, NULL);
}

/* Each write books its share of the bandwidth and waits until it is used up. */
static void wait_for_bandwidth(size_t bytes)
{
    if (settings.write_kbps == 0)
        return;
    const long long ns = (long long)bytes * 1000000LL / settings.write_kbps;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    pthread_mutex_lock(&write_clock_lock);
    if (write_clock.tv_sec < now.tv_sec || (write_clock.tv_sec == now.tv_sec && write_clock.tv_nsec < now.tv_nsec))
        write_clock = now;
    long long end = write_clock.tv_nsec + ns;
    write_clock.tv_sec += end / 1000000000LL;
    write_clock.tv_nsec = end % 1000000000LL;
    const struct timespec until = write_clock;
    pthread_mutex_unlock(&write_clock_lock);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, NULL) == EINTR) {
    }
}

static void* slow_init(struct fuse_conn_info* conn, struct fuse_config* config)
{
    (void)conn;
    config->use_ino = 1;
    return NULL;
}

static int slow_getattr(const char* path, struct stat* status, struct fuse_file_info* file)
{
    if (file != NULL)
        return result(fstat((int)file->fh, status));
    WITH_SOURCE(source, path);
    return result(lstat(source, status));
}

static int slow_readdir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset,
                        struct fuse_file_info* file, enum fuse_readdir_flags flags)
{
    (void)offset;
    (void)file;
    (void)flags;
    WITH_SOURCE(source, path);
    const char* const name = strrchr(path, '/') + 1;
    if (settings.hang_list != NULL && strcmp(name, settings.hang_list) == 0)
        for (;;)
            pause();
    sleep_ms(settings.list_latency_ms);
    DIR* folder = opendir(source);
    if (folder == NULL)
        return -errno;
    for (const struct dirent* entry; (entry = readdir(folder)) != NULL;) {
        struct stat status;
        memset(&status, 0, sizeof status);
        status.st_ino = entry->d_ino;
        status.st_mode = (mode_t)DTTOIF(entry->d_type);
        if (fill(buffer, entry->d_name, &status, 0, 0) != 0)
            break;
    }
    closedir(folder);
    return 0;
}

static int slow_readlink(const char* path, char* buffer, size_t size)
{
    WITH_SOURCE(source, path);
    const ssize_t length = readlink(source, buffer, size - 1);
    if (length < 0)
        return -errno;
    buffer[length] = '\0';
    return 0;
}

static int slow_open(const char* path, struct fuse_file_info* file)
{
    WITH_SOURCE(source, path);
    const int fd = open(source, file->flags);
    if (fd < 0)
        return -errno;
    file->fh = (uint64_t)fd;
    return 0;
}

static int slow_create(const char* path, mode_t mode, struct fuse_file_info* file)
{
    WITH_SOURCE(source, path);
    const int fd = open(source, file->flags | O_CREAT, mode);
    if (fd < 0)
        return -errno;
    file->fh = (uint64_t)fd;
    return 0;
}

static int slow_read(const char* path, char* buffer, size_t size, off_t offset, struct fuse_file_info* file)
{
    (void)path;
    const ssize_t read = pread((int)file->fh, buffer, size, offset);
    return read < 0 ? -errno : (int)read;
}

static int slow_write(const char* path, const char* buffer, size_t size, off_t offset, struct fuse_file_info* file)
{
    (void)path;
    wait_for_bandwidth(size);
    const ssize_t written = pwrite((int)file->fh, buffer, size, offset);
    return written < 0 ? -errno : (int)written;
}

static int slow_fsync(const char* path, int dataOnly, struct fuse_file_info* file)
{
    (void)path;
    return result(dataOnly ? fdatasync((int)file->fh) : fsync((int)file->fh));
}

static int slow_release(const char* path, struct fuse_file_info* file)
{
    (void)path;
    close((int)file->fh);
    return 0;
}

static int slow_truncate(const char* path, off_t size, struct fuse_file_info* file)
{
    if (file != NULL)
        return result(ftruncate((int)file->fh, size));
    WITH_SOURCE(source, path);
    return result(truncate(source, size));
}

static int slow_chmod(const char* path, mode_t mode, struct fuse_file_info* file)
{
    if (file != NULL)
        return result(fchmod((int)file->fh, mode));
    WITH_SOURCE(source, path);
    return result(chmod(source, mode));
}

static int slow_chown(const char* path, uid_t owner, gid_t group, struct fuse_file_info* file)
{
    if (file != NULL)
        return result(fchown((int)file->fh, owner, group));
    WITH_SOURCE(source, path);
    return result(lchown(source, owner, group));
}

static int slow_utimens(const char* path, const struct timespec times[2], struct fuse_file_info* file)
{
    if (file != NULL)
        return result(futimens((int)file->fh, times));
    WITH_SOURCE(source, path);
    return result(utimensat(AT_FDCWD, source, times, AT_SYMLINK_NOFOLLOW));
}

static int slow_unlink(const char* path)
{
    WITH_SOURCE(source, path);
    return result(unlink(source));
}

static int slow_mkdir(const char* path, mode_t mode)
{
    WITH_SOURCE(source, path);
    return result(mkdir(source, mode));
}

static int slow_rmdir(const char* path)
{
    WITH_SOURCE(source, path);
    return result(rmdir(source));
}

static int slow_rename(const char* from, const char* to, unsigned int flags)
{
    WITH_SOURCE(sourceFrom, from);
    WITH_SOURCE(sourceTo, to);
    return result(renameat2(AT_FDCWD, sourceFrom, AT_FDCWD, sourceTo, flags));
}

static int slow_link(const char* from, const char* to)
{
    WITH_SOURCE(sourceFrom, from);
    WITH_SOURCE(sourceTo, to);
    return result(link(sourceFrom, sourceTo));
}

/* The link's text is kept as given; only where it is made is mirrored. */
static int slow_symlink(const char* target, const char* path)
{
    WITH_SOURCE(source, path);
    return result(symlink(target, source));
}

static int slow_statfs(const char* path, struct statvfs* status)
{
    WITH_SOURCE(source, path);
    return result(statvfs(source, status));
}

static int slow_access(const char* path, int mode)
{
    WITH_SOURCE(source, path);
    return result(access(source, mode));
}

static const struct fuse_operations operations = {
    .init = slow_init,
    .getattr = slow_getattr,
    .readdir = slow_readdir,
    .readlink = slow_readlink,
    .open = slow_open,
    .create = slow_create,
    .read = slow_read,
    .write = slow_write,
    .fsync = slow_fsync,
    .release = slow_release,
    .truncate = slow_truncate,
    .chmod = slow_chmod,
    .chown = slow_chown,
    .utimens = slow_utimens,
    .unlink = slow_unlink,
    .mkdir = slow_mkdir,
    .rmdir = slow_rmdir,
    .rename = slow_rename,
    .link = slow_link,
    .symlink = slow_symlink,
    .statfs = slow_statfs,
    .access = slow_access,
};

int main(int argc, char* argv[])
{
    struct fuse_args args = FUSE_ARGS_INIT(argc, argv);
    if (fuse_opt_parse(&args, &settings, options, take_source) != 0)
        return 1;
    if (settings.source == NULL) {
        fprintf(stderr,
                "usage: %s SOURCE MOUNTPOINT [--list-latency-ms N] [--write-kbps N] [--hang-list NAME] [FUSE options]"
                "\n",
                argv[0]);
        return 1;
    }
    /* Enough threads for every listing a walker keeps in flight. */
    fuse_opt_add_arg(&args, "-omax_threads=64,default_permissions");
    if (settings.write_kbps == 0)
        fuse_opt_add_arg(&args, "-oro");
    const int status = fuse_main(args.argc, args.argv, &operations, NULL);
    fuse_opt_free_args(&args);
    free(settings.source);
    free(settings.hang_list);
    return status;
}
