/* A slow network share for bench/wine-sync-bench --slow-share: a read-only
 * FUSE mirror of a local folder in which every file-system operation first
 * waits a fixed latency, as each call to a file server costs a round trip.
 *
 *   slow_mirror [--latency-ms MS] [--stats FILE] BACKING MOUNTPOINT [FUSE options]
 *     --latency-ms MS  the wait before each operation (default 10)
 *     --stats FILE     keeps FILE up to date with the number of operations
 *                      served, in total and by kind (rewritten every 100 ms
 *                      while it changes, and at unmount)
 *     BACKING          the folder shown at MOUNTPOINT
 *
 * The mount is read-only. Requests are served on several threads (the FUSE
 * default), so operations of different callers wait their latency side by
 * side, as they do on a server. Unmount with "fusermount3 -u MOUNTPOINT".
 *
 * Each operation waits once: a lookup or attribute query (getattr, which the
 * kernel also sends for each name a path goes through that it does not hold),
 * access, readlink, opendir, one readdir per folder listing (the whole
 * listing, with each entry's attributes when the kernel asks for them, as a
 * share sends a folder's entries with their times), releasedir, open, each
 * read, flush (sent at each close of a descriptor), release (the last close),
 * statfs, getxattr and listxattr (Wine keeps a file's DOS attributes in an
 * extended attribute and asks for it with each file's details). Whatever would
 * write is refused: the share is read-only. What the kernel keeps of the
 * share, and for how long, is set by the FUSE options entry_timeout,
 * attr_timeout and negative_timeout (libfuse's defaults: 1, 1 and 0 seconds).
 */
#define FUSE_USE_VERSION 35
#define _GNU_SOURCE

#include <fuse.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <limits.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

enum op {
  OP_GETATTR,
  OP_ACCESS,
  OP_READLINK,
  OP_OPENDIR,
  OP_READDIR,
  OP_RELEASEDIR,
  OP_OPEN,
  OP_READ,
  OP_FLUSH,
  OP_RELEASE,
  OP_STATFS,
  OP_GETXATTR,
  OP_LISTXATTR,
  OP_COUNT
};

static const char *const op_names[OP_COUNT] = {
    "getattr", "access", "readlink", "opendir", "readdir",  "releasedir", "open",
    "read",    "flush",  "release",  "statfs",  "getxattr", "listxattr"};

static struct {
  int root;            /* the backing folder, open */
  char *backing;       /* and its full path, for the calls that take no folder */
  struct timespec latency;
  const char *stats_file;
  atomic_ulong counts[OP_COUNT];
  pthread_t stats_thread;
  int stats_thread_started;
  atomic_int stopping;
} mirror;

/* Counts the operation and waits the share's latency. */
static void round_trip(enum op op) {
  atomic_fetch_add(&mirror.counts[op], 1);
  struct timespec left = mirror.latency;
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

/* A path inside the mount, as a path relative to the backing folder. */
static const char *relative(const char *path) {
  while (*path == '/') ++path;
  return *path ? path : ".";
}

static void write_stats(void) {
  if (!mirror.stats_file) return;
  char temporary[4096];
  if (snprintf(temporary, sizeof temporary, "%s.new", mirror.stats_file) >= (int)sizeof temporary) return;
  FILE *file = fopen(temporary, "w");
  if (!file) return;
  unsigned long counts[OP_COUNT], total = 0;
  for (int i = 0; i < OP_COUNT; ++i) total += counts[i] = atomic_load(&mirror.counts[i]);
  fprintf(file, "operations %lu\n", total);
  for (int i = 0; i < OP_COUNT; ++i) fprintf(file, "%s %lu\n", op_names[i], counts[i]);
  if (fclose(file) == 0)
    rename(temporary, mirror.stats_file);
  else
    unlink(temporary);
}

static unsigned long total_operations(void) {
  unsigned long total = 0;
  for (int i = 0; i < OP_COUNT; ++i) total += atomic_load(&mirror.counts[i]);
  return total;
}

static void *stats_writer(void *unused) {
  (void)unused;
  unsigned long written = (unsigned long)-1;
  while (!atomic_load(&mirror.stopping)) {
    const unsigned long now = total_operations();
    if (now != written) {
      write_stats();
      written = now;
    }
    const struct timespec pause = {0, 100 * 1000 * 1000};
    nanosleep(&pause, NULL);
  }
  return NULL;
}

static void *mirror_init(struct fuse_conn_info *connection, struct fuse_config *config) {
  (void)connection;
  /* The backing folder's inode numbers, so that a file keeps its identity. */
  config->use_ino = 1;
  write_stats();
  if (mirror.stats_file && pthread_create(&mirror.stats_thread, NULL, stats_writer, NULL) == 0)
    mirror.stats_thread_started = 1;
  return NULL;
}

static void mirror_destroy(void *private_data) {
  (void)private_data;
  atomic_store(&mirror.stopping, 1);
  if (mirror.stats_thread_started) pthread_join(mirror.stats_thread, NULL);
  write_stats();
}

static int mirror_getattr(const char *path, struct stat *st, struct fuse_file_info *fi) {
  round_trip(OP_GETATTR);
  const int result = fi ? fstat((int)fi->fh, st) : fstatat(mirror.root, relative(path), st, AT_SYMLINK_NOFOLLOW);
  return result == 0 ? 0 : -errno;
}

static int mirror_access(const char *path, int mask) {
  round_trip(OP_ACCESS);
  if (mask & W_OK) return -EROFS;
  return faccessat(mirror.root, relative(path), mask, 0) == 0 ? 0 : -errno;
}

static int mirror_readlink(const char *path, char *buffer, size_t size) {
  round_trip(OP_READLINK);
  if (size == 0) return -EINVAL;
  const ssize_t length = readlinkat(mirror.root, relative(path), buffer, size - 1);
  if (length < 0) return -errno;
  buffer[length] = '\0';
  return 0;
}

static int mirror_opendir(const char *path, struct fuse_file_info *fi) {
  round_trip(OP_OPENDIR);
  const int fd = openat(mirror.root, relative(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -errno;
  DIR *folder = fdopendir(fd);
  if (!folder) {
    const int error = errno;
    close(fd);
    return -error;
  }
  fi->fh = (uint64_t)(uintptr_t)folder;
  return 0;
}

/* The whole listing in one go (the filler is given no offsets, so FUSE keeps
 * it and hands it out in pieces): one round trip per listing. */
static int mirror_readdir(const char *path, void *buffer, fuse_fill_dir_t fill, off_t offset,
                          struct fuse_file_info *fi, enum fuse_readdir_flags flags) {
  (void)path;
  (void)offset;
  round_trip(OP_READDIR);
  DIR *folder = (DIR *)(uintptr_t)fi->fh;
  rewinddir(folder);
  const int fd = dirfd(folder);
  for (;;) {
    errno = 0;
    const struct dirent *entry = readdir(folder);
    if (!entry) return errno ? -errno : 0;
    struct stat st;
    memset(&st, 0, sizeof st);
    enum fuse_fill_dir_flags fill_flags = 0;
    if ((flags & FUSE_READDIR_PLUS) && fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      fill_flags = FUSE_FILL_DIR_PLUS;
    } else {
      st.st_ino = entry->d_ino;
      st.st_mode = (mode_t)DTTOIF(entry->d_type);
    }
    if (fill(buffer, entry->d_name, &st, 0, fill_flags) != 0) return -ENOMEM;
  }
}

static int mirror_releasedir(const char *path, struct fuse_file_info *fi) {
  (void)path;
  round_trip(OP_RELEASEDIR);
  closedir((DIR *)(uintptr_t)fi->fh);
  return 0;
}

static int mirror_open(const char *path, struct fuse_file_info *fi) {
  round_trip(OP_OPEN);
  if ((fi->flags & O_ACCMODE) != O_RDONLY || (fi->flags & O_TRUNC)) return -EROFS;
  const int fd = openat(mirror.root, relative(path), (fi->flags & ~O_CREAT) | O_CLOEXEC);
  if (fd < 0) return -errno;
  fi->fh = (uint64_t)fd;
  return 0;
}

static int mirror_read(const char *path, char *buffer, size_t size, off_t offset, struct fuse_file_info *fi) {
  (void)path;
  round_trip(OP_READ);
  const ssize_t read = pread((int)fi->fh, buffer, size, offset);
  return read < 0 ? -errno : (int)read;
}

/* Nothing to write back on a read-only share, but a round trip all the same. */
static int mirror_flush(const char *path, struct fuse_file_info *fi) {
  (void)path;
  (void)fi;
  round_trip(OP_FLUSH);
  return 0;
}

static int mirror_release(const char *path, struct fuse_file_info *fi) {
  (void)path;
  round_trip(OP_RELEASE);
  close((int)fi->fh);
  return 0;
}

static int mirror_statfs(const char *path, struct statvfs *st) {
  (void)path;
  round_trip(OP_STATFS);
  return fstatvfs(mirror.root, st) == 0 ? 0 : -errno;
}

/* The backing folder's own path of a path inside the mount. */
static int backing_path(const char *path, char *full, size_t size) {
  return snprintf(full, size, "%s/%s", mirror.backing, relative(path)) < (int)size ? 0 : -ENAMETOOLONG;
}

static int mirror_getxattr(const char *path, const char *name, char *value, size_t size) {
  round_trip(OP_GETXATTR);
  char full[PATH_MAX];
  const int error = backing_path(path, full, sizeof full);
  if (error) return error;
  const ssize_t length = lgetxattr(full, name, value, size);
  return length < 0 ? -errno : (int)length;
}

static int mirror_listxattr(const char *path, char *list, size_t size) {
  round_trip(OP_LISTXATTR);
  char full[PATH_MAX];
  const int error = backing_path(path, full, sizeof full);
  if (error) return error;
  const ssize_t length = llistxattr(full, list, size);
  return length < 0 ? -errno : (int)length;
}

static const struct fuse_operations operations = {
    .init = mirror_init,
    .destroy = mirror_destroy,
    .getattr = mirror_getattr,
    .access = mirror_access,
    .readlink = mirror_readlink,
    .opendir = mirror_opendir,
    .readdir = mirror_readdir,
    .releasedir = mirror_releasedir,
    .open = mirror_open,
    .read = mirror_read,
    .flush = mirror_flush,
    .release = mirror_release,
    .statfs = mirror_statfs,
    .getxattr = mirror_getxattr,
    .listxattr = mirror_listxattr,
};

static int usage(void) {
  fprintf(stderr,
          "usage: slow_mirror [--latency-ms MS] [--stats FILE] BACKING MOUNTPOINT [FUSE options]\n");
  return 2;
}

int main(int argc, char **argv) {
  long latency_ms = 10;
  int i = 1;
  for (; i < argc; ++i) {
    if (strcmp(argv[i], "--latency-ms") == 0 && i + 1 < argc) {
      char *end = NULL;
      errno = 0;
      latency_ms = strtol(argv[++i], &end, 10);
      if (errno || !*argv[i] || *end || latency_ms < 0 || latency_ms > 60000) return usage();
    } else if (strcmp(argv[i], "--stats") == 0 && i + 1 < argc) {
      /* A full path: FUSE may change the working folder. */
      static char stats_path[PATH_MAX];
      const char *given = argv[++i];
      char folder[PATH_MAX];
      if (given[0] == '/')
        snprintf(stats_path, sizeof stats_path, "%s", given);
      else if (!getcwd(folder, sizeof folder) ||
               snprintf(stats_path, sizeof stats_path, "%s/%s", folder, given) >= (int)sizeof stats_path)
        return usage();
      mirror.stats_file = stats_path;
    } else {
      break;
    }
  }
  if (argc - i < 2) return usage();
  const char *backing = argv[i++];
  /* Its full path: FUSE may change the working folder. */
  mirror.backing = realpath(backing, NULL);
  if (!mirror.backing) {
    fprintf(stderr, "slow_mirror: cannot find %s: %s\n", backing, strerror(errno));
    return 1;
  }
  mirror.latency.tv_sec = latency_ms / 1000;
  mirror.latency.tv_nsec = (latency_ms % 1000) * 1000000L;
  mirror.root = open(backing, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (mirror.root < 0) {
    fprintf(stderr, "slow_mirror: cannot open %s: %s\n", backing, strerror(errno));
    return 1;
  }

  /* Our own options, then the mount point and the caller's FUSE options,
   * which may change ours. Up to 32 requests are served at once, and the
   * threads stay for the next ones rather than ending when idle. */
  char **fuse_argv = calloc((size_t)(argc - i) + 4, sizeof *fuse_argv);
  if (!fuse_argv) return 1;
  int fuse_argc = 0;
  fuse_argv[fuse_argc++] = argv[0];
  fuse_argv[fuse_argc++] = "-o";
  fuse_argv[fuse_argc++] = "ro,fsname=slow_mirror,subtype=slow_mirror,max_threads=32,max_idle_threads=32";
  while (i < argc) fuse_argv[fuse_argc++] = argv[i++];
  const int result = fuse_main(fuse_argc, fuse_argv, &operations, NULL);
  free(fuse_argv);
  close(mirror.root);
  free(mirror.backing);
  return result;
}
