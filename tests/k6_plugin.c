/*
 * A QEMU TCG plugin that records every distinct instruction the guest
 * executes inside an address range: its address, its bytes, QEMU's
 * disassembly of it, when it first ran and how often. It judges nothing
 * itself: tests/k6_watch.sh hands the record to the same classifier
 * (tests/k6_classify.awk) that reads the programs' disassembly, so the
 * emulated and the static check cannot disagree about what a K6-2 lacks.
 *
 * Arguments (-plugin k6_plugin.so,low=A,high=B,out=FILE):
 *   low, high  the range [low, high) watched, e.g. a PE image from its base
 *              to base + SizeOfImage; all of memory without them
 *   out        the file the record is appended to (required)
 *
 * QEMU's user mode does not run the plugins' exit callbacks when the guest
 * dies of a signal, so each instruction is written out when it first runs:
 * one that the emulated processor refuses is written just before QEMU
 * raises SIGILL for it. The counts follow at a normal exit.
 *
 * Lines, tab-separated, addresses as 16 hex digits, bytes in hex:
 *   F  address  bytes  order of first execution (from 0)  disassembly
 *   C  address  bytes  executions                          (at exit)
 */
#include <inttypes.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <qemu-plugin.h>

QEMU_PLUGIN_EXPORT int qemu_plugin_version = QEMU_PLUGIN_VERSION;

struct insn {
  uint64_t vaddr;
  size_t size;
  unsigned char bytes[16];
  char* disas;
  uint64_t count;
  struct insn* next;
};

/* Translation and first executions may happen on several vCPU threads (a
 * Windows program under Wine starts some): the table and the file are
 * changed under this lock. */
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
#define BUCKETS 65536u
static struct insn* table[BUCKETS];
static uint64_t low;
static uint64_t high = UINT64_MAX;
static FILE* out;
static uint64_t executed_so_far;

static void print_insn(char kind, const struct insn* i) {
  fprintf(out, "%c\t%016" PRIx64 "\t", kind, i->vaddr);
  for (size_t k = 0; k < i->size; k++) {
    fprintf(out, "%02x", i->bytes[k]);
  }
}

/* The same address can hold other code later (a DLL unloaded and another
 * loaded there): an instruction is its address and its bytes. */
static struct insn* lookup(struct qemu_plugin_insn* handle) {
  uint64_t vaddr = qemu_plugin_insn_vaddr(handle);
  size_t size = qemu_plugin_insn_size(handle);
  const unsigned char* data = qemu_plugin_insn_data(handle);
  if (size > sizeof(((struct insn*)0)->bytes)) {
    size = sizeof(((struct insn*)0)->bytes);
  }
  struct insn** bucket = &table[(vaddr ^ (vaddr >> 16)) % BUCKETS];
  for (struct insn* i = *bucket; i; i = i->next) {
    if (i->vaddr == vaddr && i->size == size && memcmp(i->bytes, data, size) == 0) {
      return i;
    }
  }
  struct insn* i = calloc(1, sizeof *i);
  if (!i) {
    fprintf(stderr, "k6_plugin: out of memory\n");
    abort();
  }
  i->vaddr = vaddr;
  i->size = size;
  memcpy(i->bytes, data, size);
  i->disas = qemu_plugin_insn_disas(handle);
  i->next = *bucket;
  *bucket = i;
  return i;
}

static void executed(unsigned int vcpu, void* userdata) {
  (void)vcpu;
  struct insn* i = userdata;
  if (__atomic_fetch_add(&i->count, 1, __ATOMIC_RELAXED) != 0) {
    return;
  }
  pthread_mutex_lock(&lock);
  print_insn('F', i);
  fprintf(out, "\t%" PRIu64 "\t%s\n", executed_so_far++, i->disas ? i->disas : "(none)");
  fflush(out);
  pthread_mutex_unlock(&lock);
}

static void translated(qemu_plugin_id_t id, struct qemu_plugin_tb* tb) {
  (void)id;
  size_t n = qemu_plugin_tb_n_insns(tb);
  pthread_mutex_lock(&lock);
  for (size_t k = 0; k < n; k++) {
    struct qemu_plugin_insn* handle = qemu_plugin_tb_get_insn(tb, k);
    uint64_t vaddr = qemu_plugin_insn_vaddr(handle);
    if (vaddr >= low && vaddr < high) {
      qemu_plugin_register_vcpu_insn_exec_cb(handle, executed, QEMU_PLUGIN_CB_NO_REGS,
                                             lookup(handle));
    }
  }
  pthread_mutex_unlock(&lock);
}

static void exiting(qemu_plugin_id_t id, void* userdata) {
  (void)id;
  (void)userdata;
  pthread_mutex_lock(&lock);
  for (unsigned b = 0; b < BUCKETS; b++) {
    for (struct insn* i = table[b]; i; i = i->next) {
      uint64_t count = __atomic_load_n(&i->count, __ATOMIC_RELAXED);
      if (count != 0) {
        print_insn('C', i);
        fprintf(out, "\t%" PRIu64 "\n", count);
      }
    }
  }
  fflush(out);
  pthread_mutex_unlock(&lock);
}

static int parse_address(const char* text, uint64_t* value) {
  char* end;
  *value = strtoull(text, &end, 0);
  return *text != '\0' && *end == '\0';
}

QEMU_PLUGIN_EXPORT int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t* info, int argc,
                                           char** argv) {
  (void)info;
  const char* path = NULL;
  for (int k = 0; k < argc; k++) {
    const char* arg = argv[k];
    int ok = 0;
    if (strncmp(arg, "low=", 4) == 0) {
      ok = parse_address(arg + 4, &low);
    } else if (strncmp(arg, "high=", 5) == 0) {
      ok = parse_address(arg + 5, &high);
    } else if (strncmp(arg, "out=", 4) == 0) {
      path = arg + 4;
      ok = *path != '\0';
    }
    if (!ok) {
      fprintf(stderr, "k6_plugin: bad argument '%s' (low=ADDRESS, high=ADDRESS, out=FILE)\n", arg);
      return -1;
    }
  }
  if (!path || low >= high) {
    fprintf(stderr, "k6_plugin: needs out=FILE and a range low < high\n");
    return -1;
  }
  /* Appended: a guest that forks leaves both processes' lines. */
  out = fopen(path, "a");
  if (!out) {
    perror(path);
    return -1;
  }
  qemu_plugin_register_vcpu_tb_trans_cb(id, translated);
  qemu_plugin_register_atexit_cb(id, exiting, NULL);
  return 0;
}
