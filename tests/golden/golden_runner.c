/* Golden bits of every export.
 *
 * Each data file, data/<family>.txt, holds cases, one block each, ended by a
 * blank line:
 *
 *   case <export> [libm] <label>
 *     <input>: <values>             a repeated name continues the same field
 *     => <output>: <values>         the recorded result, in hex floats
 *
 * The runner calls the export on the inputs (decimal or hex, read in the
 * precision of the twin) and compares every output with the record: reals by
 * their bits, any NaN with any NaN (tests/support/bits.h). "[libm]" marks a
 * case whose results pass through the C library's sin, cos, asin, acos or
 * atan2; the runner writes the mark and checks that it is right.
 *
 *   golden_runner FILE...                 compare; exit 1 when a result differs
 *   golden_runner --write FILE...         rewrite the recorded outputs from
 *                                         this build (see ./regenerate)
 *   golden_runner --exports LIST FILE...  also require a case for every name
 *                                         in the export list LIST (repeatable)
 *
 * A file that cannot be read or a case that cannot be run is reported as
 * file:line: message, with exit status 2 and nothing written.
 */
#define VQ2D3D_ASCII_NAMES_ONLY /* C99: the Greek-lettered exports by their ASCII names */
#include <VQ2D3D.h>
#include <VQmatrices.h>

#include <errno.h>
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "support/bits.h"

/* ------------------------------------------------------------------------ */
/* Cases                                                                     */
/* ------------------------------------------------------------------------ */

enum { kMaxFields = 16, kMaxAllocations = 256, kMaxReported = 4 };

typedef enum { F32, F64 } Kind;

typedef struct {
    const char* name;
    int line;
    char** tokens;
    size_t count;
    int used;
} Field;

typedef struct {
    char* text;
    size_t length, capacity;
} Text;

typedef struct {
    const char* file;
    int line;
    const char* export_name;
    const char* label;
    int marked_libm;
    int uses_libm;
    Field inputs[kMaxFields];
    int n_inputs;
    Field recorded[kMaxFields];
    int n_recorded;
    int writing;
    Text produced;
    int differences;
    void* allocations[kMaxAllocations];
    int n_allocations;
} Case;

static void out_of_memory(void) {
    fputs("golden_runner: out of memory\n", stderr);
    exit(2);
}

static void* case_alloc(Case* c, size_t bytes) {
    void* p;
    if (c->n_allocations == kMaxAllocations) out_of_memory();
    p = calloc(1, bytes ? bytes : 1);
    if (!p) out_of_memory();
    c->allocations[c->n_allocations++] = p;
    return p;
}

static void free_case(Case* c) {
    int i;
    for (i = 0; i < c->n_inputs; ++i) free(c->inputs[i].tokens);
    for (i = 0; i < c->n_recorded; ++i) free(c->recorded[i].tokens);
    for (i = 0; i < c->n_allocations; ++i) free(c->allocations[i]);
    free(c->produced.text);
}

static void bad_case(const Case* c, int line, const char* format, ...) {
    va_list args;
    fprintf(stderr, "%s:%d: %s: ", c->file, line, c->export_name ? c->export_name : "case");
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
    fputc('\n', stderr);
    exit(2);
}

static void append(Text* t, const char* s) {
    const size_t n = strlen(s);
    if (t->length + n + 1 > t->capacity) {
        size_t capacity = t->capacity ? 2 * t->capacity : 256;
        char* grown;
        while (capacity < t->length + n + 1) capacity *= 2;
        grown = realloc(t->text, capacity);
        if (!grown) out_of_memory();
        t->text = grown;
        t->capacity = capacity;
    }
    memcpy(t->text + t->length, s, n + 1);
    t->length += n;
}

static size_t size_of(Kind k) { return k == F32 ? sizeof(float) : sizeof(double); }

/* ------------------------------------------------------------------------ */
/* Values                                                                    */
/* ------------------------------------------------------------------------ */

static int parse_real(const char* token, Kind k, void* out) {
    char* end;
    if (k == F32) {
        const float v = strtof(token, &end);
        memcpy(out, &v, sizeof v);
    } else {
        const double v = strtod(token, &end);
        memcpy(out, &v, sizeof v);
    }
    return end != token && *end == '\0';
}

static double real_at(const void* values, Kind k, size_t i) {
    if (k == F32) {
        float v;
        memcpy(&v, (const char*)values + i * sizeof v, sizeof v);
        return v;
    } else {
        double v;
        memcpy(&v, (const char*)values + i * sizeof v, sizeof v);
        return v;
    }
}

/* Hex floats, exact in either precision; every NaN is written "nan". */
static void format_real(char* buffer, size_t size, double v) {
    if (v != v) {
        snprintf(buffer, size, "nan");
    } else if (v == INFINITY || v == -INFINITY) {
        snprintf(buffer, size, v < 0 ? "-inf" : "inf");
    } else {
        snprintf(buffer, size, "%a", v);
    }
}

static int same_real(const void* got, const void* want, Kind k) {
    if (k == F32) {
        float a, b;
        memcpy(&a, got, sizeof a);
        memcpy(&b, want, sizeof b);
        return vq_same_float(a, b);
    } else {
        double a, b;
        memcpy(&a, got, sizeof a);
        memcpy(&b, want, sizeof b);
        return vq_same_double(a, b);
    }
}

/* ------------------------------------------------------------------------ */
/* Inputs                                                                    */
/* ------------------------------------------------------------------------ */

static Field* input(Case* c, const char* name) {
    int i;
    for (i = 0; i < c->n_inputs; ++i)
        if (strcmp(c->inputs[i].name, name) == 0) {
            c->inputs[i].used = 1;
            return &c->inputs[i];
        }
    bad_case(c, c->line, "needs the input '%s'", name);
    return NULL;
}

static long get_integer(Case* c, const char* name, long lowest, long highest) {
    Field* f = input(c, name);
    char* end;
    long v;
    if (f->count != 1) bad_case(c, f->line, "'%s' takes one integer", name);
    errno = 0;
    v = strtol(f->tokens[0], &end, 0);
    if (*end != '\0' || errno != 0 || v < lowest || v > highest)
        bad_case(c, f->line, "'%s' must be an integer from %ld to %ld", name, lowest, highest);
    return v;
}

static uint32_t get_u32(Case* c, const char* name) {
    return (uint32_t)get_integer(c, name, 0, 0xFFFFFFFFL);
}

static int32_t get_i32(Case* c, const char* name) {
    return (int32_t)get_integer(c, name, -0x7FFFFFFFL - 1, 0x7FFFFFFFL);
}

static const char* get_word(Case* c, const char* name) {
    Field* f = input(c, name);
    if (f->count != 1) bad_case(c, f->line, "'%s' takes one word", name);
    return f->tokens[0];
}

/* count values of the twin's type; NULL when count is 0, so that exports
 * called on nothing see null pointers. */
static void* get_reals(Case* c, const char* name, Kind k, size_t count) {
    Field* f = input(c, name);
    char* values;
    size_t i;
    if (f->count != count)
        bad_case(c, f->line, "'%s' has %lu values, the case needs %lu", name,
                 (unsigned long)f->count, (unsigned long)count);
    if (count == 0) return NULL;
    values = case_alloc(c, count * size_of(k));
    for (i = 0; i < count; ++i)
        if (!parse_real(f->tokens[i], k, values + i * size_of(k)))
            bad_case(c, f->line, "'%s' value %lu, \"%s\", is not a number", name,
                     (unsigned long)i + 1, f->tokens[i]);
    return values;
}

/* As get_reals, for fields whose length the case chooses (a multiple of step). */
static void* get_reals_any(Case* c, const char* name, Kind k, size_t step, size_t* count) {
    Field* f = input(c, name);
    if (f->count % step != 0)
        bad_case(c, f->line, "'%s' needs a multiple of %lu values", name, (unsigned long)step);
    *count = f->count;
    return get_reals(c, name, k, f->count);
}

/* "pairs": per pair the source point then the destination point, dim values
 * each, split here into two arrays (NULL when n is 0). */
static void get_pairs(Case* c, Kind k, uint32_t n, size_t dim, char** src, char** dst) {
    const size_t size = size_of(k);
    const char* pairs = get_reals(c, "pairs", k, 2 * dim * n);
    size_t i;
    *src = n ? case_alloc(c, dim * n * size) : NULL;
    *dst = n ? case_alloc(c, dim * n * size) : NULL;
    for (i = 0; i < n; ++i) {
        memcpy(*src + i * dim * size, pairs + 2 * i * dim * size, dim * size);
        memcpy(*dst + i * dim * size, pairs + (2 * i + 1) * dim * size, dim * size);
    }
}

static void mark_libm(Case* c) { c->uses_libm = 1; }

/* ------------------------------------------------------------------------ */
/* Outputs: written in --write mode, compared otherwise                      */
/* ------------------------------------------------------------------------ */

static Field* recorded(Case* c, const char* name) {
    int i;
    for (i = 0; i < c->n_recorded; ++i)
        if (strcmp(c->recorded[i].name, name) == 0) {
            c->recorded[i].used = 1;
            return &c->recorded[i];
        }
    return NULL;
}

static void report(Case* c, int line, const char* format, ...) {
    va_list args;
    if (c->differences++ == 0)
        printf("%s:%d: %s%s %s\n", c->file, c->line, c->export_name, c->uses_libm ? " [libm]" : "",
               c->label);
    printf("%s:%d:   ", c->file, line);
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
}

/* Rows of the written record: rows[r] values on line r; the last row length
 * repeats until the values run out. */
static void put_reals_rows(Case* c, const char* name, Kind k, const void* values, size_t count,
                           const size_t* rows, size_t n_rows) {
    char number[64];
    size_t i;
    if (c->writing) {
        size_t row = 0, in_row = 0;
        append(&c->produced, "  => ");
        append(&c->produced, name);
        append(&c->produced, ":");
        for (i = 0; i < count; ++i) {
            const size_t width = rows[row < n_rows ? row : n_rows - 1];
            if (width && in_row == width) {
                append(&c->produced, "\n  => ");
                append(&c->produced, name);
                append(&c->produced, ":");
                in_row = 0;
                ++row;
            }
            format_real(number, sizeof number, real_at(values, k, i));
            append(&c->produced, " ");
            append(&c->produced, number);
            ++in_row;
        }
        append(&c->produced, "\n");
        return;
    }
    {
        Field* f = recorded(c, name);
        size_t shown = 0;
        if (!f) {
            report(c, c->line, "%s: no recorded result", name);
            return;
        }
        if (f->count != count) {
            report(c, f->line, "%s: %lu values, recorded %lu", name, (unsigned long)count,
                   (unsigned long)f->count);
            return;
        }
        for (i = 0; i < count; ++i) {
            double want_storage;
            char got[64];
            if (!parse_real(f->tokens[i], k, &want_storage))
                bad_case(c, f->line, "recorded %s value \"%s\" is not a number", name, f->tokens[i]);
            if (same_real((const char*)values + i * size_of(k), &want_storage, k)) continue;
            if (shown++ < kMaxReported) {
                format_real(got, sizeof got, real_at(values, k, i));
                report(c, f->line, "%s[%lu] = %s, recorded %s", name, (unsigned long)i, got,
                       f->tokens[i]);
            }
        }
        if (shown > kMaxReported)
            report(c, f->line, "%s: %lu more values differ", name, (unsigned long)(shown - kMaxReported));
    }
}

static void put_reals(Case* c, const char* name, Kind k, const void* values, size_t count,
                      size_t per_line) {
    put_reals_rows(c, name, k, values, count, &per_line, 1);
}

static void put_int(Case* c, const char* name, long v) {
    char number[32];
    snprintf(number, sizeof number, "%ld", v);
    if (c->writing) {
        append(&c->produced, "  => ");
        append(&c->produced, name);
        append(&c->produced, ": ");
        append(&c->produced, number);
        append(&c->produced, "\n");
    } else {
        Field* f = recorded(c, name);
        if (!f)
            report(c, c->line, "%s: no recorded result", name);
        else if (f->count != 1 || strcmp(f->tokens[0], number) != 0)
            report(c, f->line, "%s = %s, recorded %s", name, number, f->count ? f->tokens[0] : "nothing");
    }
}

/* ------------------------------------------------------------------------ */
/* The exports                                                               */
/* ------------------------------------------------------------------------ */

typedef struct Export Export;
struct Export {
    const char* name;
    void (*run)(Case* c, const Export* e);
    Kind kind;
    int variant;
};

/* VQmatrices: in-place inversion; variant 0 plain, 1 with the pivot test, 2 Cholesky. */
static void run_inverse(Case* c, const Export* e) {
    const uint32_t n = get_u32(c, "n");
    const size_t count = (size_t)n * n;
    void* a = get_reals(c, "a", e->kind, count);
    int32_t status;
    if (e->kind == F32)
        status = e->variant == 0 ? VQinvsim_fl(a, n) : e->variant == 1 ? VQinvsim_pos_fl(a, n)
                                                                        : VQinvsim_cho_fl(a, n);
    else
        status = e->variant == 0 ? VQinvsim_dbl(a, n) : e->variant == 1 ? VQinvsim_pos_dbl(a, n)
                                                                         : VQinvsim_cho_dbl(a, n);
    put_int(c, "status", status);
    put_reals(c, "a", e->kind, a, count, n);
}

/* VQmatrices: packed solvers; variant 1 one right-hand side, 2 two. */
static void run_packed_solve(Case* c, const Export* e) {
    const uint32_t n = get_u32(c, "n");
    const size_t packed = (size_t)n * (n + 1) / 2;
    void* p = get_reals(c, "p", e->kind, packed);
    void* b = get_reals(c, "b", e->kind, n);
    void* h = e->variant == 2 ? get_reals(c, "h", e->kind, n) : NULL;
    size_t* rows = case_alloc(c, (n ? n : 1) * sizeof *rows);
    size_t i;
    int32_t status;
    if (e->kind == F32)
        status = e->variant == 2 ? resuelve_sistema_sim_t_2_fl(p, b, h, n) : resuelve_sistema_sim_t_fl(p, b, n);
    else
        status = e->variant == 2 ? resuelve_sistema_sim_t_2_dbl(p, b, h, n) : resuelve_sistema_sim_t_dbl(p, b, n);
    for (i = 0; i < n; ++i) rows[i] = i + 1;
    put_int(c, "status", status);
    put_reals_rows(c, "p", e->kind, p, packed, rows, n ? n : 1);
    put_reals(c, "b", e->kind, b, n, 0);
    if (h) put_reals(c, "h", e->kind, h, n, 0);
}

/* 2D similarity estimators. Strides are counted in elements of the twin's
 * type here; the exports take them in bytes. */
enum { PP, P, G, GG, MIXED, PTR };

static size_t walk_length(uint32_t n, size_t points, size_t stride) {
    return n ? (points - 1) * stride + 2 : 0;
}

static void run_hel2dg(Case* c, const Export* e) {
    const Kind k = e->kind;
    const uint32_t n = get_u32(c, "n");
    Hel2Dg_fl gf;
    Hel2Dg_dbl gd;
    switch (e->variant) {
    case PP: {
        char *s, *d;
        get_pairs(c, k, n, 2, &s, &d);
        if (k == F32) gf = Hel2Dg___pp_fl((float*)s, (float*)d, n);
        else gd = Hel2Dg___pp_dbl((double*)s, (double*)d, n);
        break;
    }
    case P: {
        void* pairs = get_reals(c, "pairs", k, 4 * (size_t)n);
        if (k == F32) gf = Hel2Dg___p_fl(pairs, n); else gd = Hel2Dg___p_dbl(pairs, n);
        break;
    }
    case G: {
        const uint32_t stride = get_u32(c, "stride");
        void* walk = get_reals(c, "walk", k, walk_length(n, 2 * (size_t)n, stride));
        if (k == F32) gf = Hel2Dg___g_fl(walk, (uint64_t)stride * sizeof(float), n);
        else gd = Hel2Dg___g_dbl(walk, (uint64_t)stride * sizeof(double), n);
        break;
    }
    case GG: {
        const uint32_t stride = get_u32(c, "stride");
        void* s = get_reals(c, "src", k, walk_length(n, n, stride));
        void* d = get_reals(c, "dst", k, walk_length(n, n, stride));
        if (k == F32) gf = Hel2Dg___gg_fl(s, d, (uint64_t)stride * sizeof(float), n);
        else gd = Hel2Dg___gg_dbl(s, d, (uint64_t)stride * sizeof(double), n);
        break;
    }
    case MIXED: {
        const uint32_t ss = get_u32(c, "src_stride"), ds = get_u32(c, "dst_stride");
        void* s = get_reals(c, "src", k, walk_length(n, n, ss));
        void* d = get_reals(c, "dst", k, walk_length(n, n, ds));
        if (k == F32)
            gf = Hel2Dg___mixed_fl(s, (uint64_t)ss * sizeof(float), d, (uint64_t)ds * sizeof(float), n);
        else
            gd = Hel2Dg___mixed_dbl(s, (uint64_t)ss * sizeof(double), d, (uint64_t)ds * sizeof(double), n);
        break;
    }
    default: {
        char *s, *d;
        size_t i;
        get_pairs(c, k, n, 2, &s, &d);
        if (k == F32) {
            const float** pointers = n ? case_alloc(c, 2 * (size_t)n * sizeof *pointers) : NULL;
            for (i = 0; i < n; ++i) {
                pointers[2 * i] = (const float*)s + 2 * i;
                pointers[2 * i + 1] = (const float*)d + 2 * i;
            }
            gf = Hel2Dg___ptr_fl(pointers, n);
        } else {
            const double** pointers = n ? case_alloc(c, 2 * (size_t)n * sizeof *pointers) : NULL;
            for (i = 0; i < n; ++i) {
                pointers[2 * i] = (const double*)s + 2 * i;
                pointers[2 * i + 1] = (const double*)d + 2 * i;
            }
            gd = Hel2Dg___ptr_dbl(pointers, n);
        }
        break;
    }
    }
    if (k == F32) put_reals(c, "Hel2Dg", k, &gf, 7, 0); else put_reals(c, "Hel2Dg", k, &gd, 7, 0);
}

static void run_hel2d(Case* c, const Export* e) {
    void* g = get_reals(c, "Hel2Dg", e->kind, 7);
    if (e->kind == F32) {
        Hel2Dg_fl in;
        Hel2D_fl out;
        memcpy(&in, g, sizeof in);
        out = Hel2D___Hel2Dg_fl(in);
        put_reals(c, "Hel2D", F32, &out, 5, 0);
    } else {
        Hel2Dg_dbl in;
        Hel2D_dbl out;
        memcpy(&in, g, sizeof in);
        out = Hel2D___Hel2Dg_dbl(in);
        put_reals(c, "Hel2D", F64, &out, 5, 0);
    }
}

/* Coefficients in rows of the linear, quadratic and cubic terms. */
static const size_t kCoefficientRows[] = {2, 3, 4};

static void run_polynomial_fit(Case* c, const Export* e) {
    const uint32_t tipo = get_u32(c, "tipo");
    const uint32_t n = get_u32(c, "n");
    char *s, *d;
    size_t i;
    get_pairs(c, e->kind, n, 2, &s, &d);
    if (e->kind == F32) {
        const float** pointers = n ? case_alloc(c, 2 * (size_t)n * sizeof *pointers) : NULL;
        Trans_Polinomica2D_fl t;
        float centre[4];
        for (i = 0; i < n; ++i) {
            pointers[2 * i] = (const float*)s + 2 * i;
            pointers[2 * i + 1] = (const float*)d + 2 * i;
        }
        memset(&t, 0x7f, sizeof t); /* fields the fit leaves alone show */
        t.tipo = tipo;
        Trans_Polinomica2D___puntosxy_fl(&t, pointers, n);
        centre[0] = t.xm_origen, centre[1] = t.ym_origen, centre[2] = t.x0_destino, centre[3] = t.y0_destino;
        put_int(c, "tipo", (long)t.tipo);
        put_reals(c, "centre", F32, centre, 4, 0);
        put_reals_rows(c, "coef_x", F32, t.coef_x, 9, kCoefficientRows, 3);
        put_reals_rows(c, "coef_y", F32, t.coef_y, 9, kCoefficientRows, 3);
    } else {
        const double** pointers = n ? case_alloc(c, 2 * (size_t)n * sizeof *pointers) : NULL;
        Trans_Polinomica2D_dbl t;
        double centre[4];
        for (i = 0; i < n; ++i) {
            pointers[2 * i] = (const double*)s + 2 * i;
            pointers[2 * i + 1] = (const double*)d + 2 * i;
        }
        memset(&t, 0x7f, sizeof t);
        t.tipo = tipo;
        Trans_Polinomica2D___puntosxy_dbl(&t, pointers, n);
        centre[0] = t.xm_origen, centre[1] = t.ym_origen, centre[2] = t.x0_destino, centre[3] = t.y0_destino;
        put_int(c, "tipo", (long)t.tipo);
        put_reals(c, "centre", F64, centre, 4, 0);
        put_reals_rows(c, "coef_x", F64, t.coef_x, 9, kCoefficientRows, 3);
        put_reals_rows(c, "coef_y", F64, t.coef_y, 9, kCoefficientRows, 3);
    }
}

static void run_transform_point(Case* c, const Export* e) {
    const uint32_t tipo = get_u32(c, "tipo");
    const char* centre = get_reals(c, "centre", e->kind, 4);
    const char* cx = get_reals(c, "coef_x", e->kind, 9);
    const char* cy = get_reals(c, "coef_y", e->kind, 9);
    size_t count, i;
    char* points = get_reals_any(c, "points", e->kind, 2, &count);
    if (e->kind == F32) {
        Trans_Polinomica2D_fl t;
        memset(&t, 0, sizeof t);
        t.tipo = tipo;
        memcpy(&t.xm_origen, centre, sizeof(float));
        memcpy(&t.ym_origen, centre + sizeof(float), sizeof(float));
        memcpy(&t.x0_destino, centre + 2 * sizeof(float), sizeof(float));
        memcpy(&t.y0_destino, centre + 3 * sizeof(float), sizeof(float));
        memcpy(t.coef_x, cx, sizeof t.coef_x);
        memcpy(t.coef_y, cy, sizeof t.coef_y);
        for (i = 0; i < count; i += 2) transforma_punto2D_fl(&t, (float*)points + i);
    } else {
        Trans_Polinomica2D_dbl t;
        memset(&t, 0, sizeof t);
        t.tipo = tipo;
        memcpy(&t.xm_origen, centre, sizeof(double));
        memcpy(&t.ym_origen, centre + sizeof(double), sizeof(double));
        memcpy(&t.x0_destino, centre + 2 * sizeof(double), sizeof(double));
        memcpy(&t.y0_destino, centre + 3 * sizeof(double), sizeof(double));
        memcpy(t.coef_x, cx, sizeof t.coef_x);
        memcpy(t.coef_y, cy, sizeof t.coef_y);
        for (i = 0; i < count; i += 2) transforma_punto2D_dbl(&t, (double*)points + i);
    }
    put_reals(c, "points", e->kind, points, count, 2);
}

/* Rotation builders from sines and cosines: variant 0 omega-fi-kappa,
 * 1 kappa-omega-fi, 2 kappa-w-kappa. */
static void run_sincos_builder(Case* c, const Export* e) {
    const double* v = get_reals(c, "SenCos", F64, 6);
    const SenCos sc = {v[0], v[1], v[2], v[3], v[4], v[5]};
    double R[9];
    if (e->variant == 0) MatrizRotGT_opk(sc, R);
    else if (e->variant == 1) MatrizRotGT_kop(sc, R);
    else MatrizRotGT_kwk(sc, R);
    put_reals(c, "R", F64, R, 9, 3);
}

static void run_angle_builder(Case* c, const Export* e) {
    const double* v = get_reals(c, "angles", F64, 3);
    const Angulos a = {v[0], v[1], v[2]};
    double R[9];
    (void)e;
    mark_libm(c);
    MatrizRot_kop(a, R);
    put_reals(c, "R", F64, R, 9, 3);
}

/* Variant: the parametrisation's number. */
static void run_parameter_builder(Case* c, const Export* e) {
    const double* v = get_reals(c, "v", F64, 3);
    const Angulos a = {v[0], v[1], v[2]};
    double R[9];
    switch (e->variant) {
    case 20: mark_libm(c); MatrizRot_20(a, R); break;
    case 24: MatrizRot_24(a, R); break;
    case 26: MatrizRot_26(a, R); break;
    default: mark_libm(c); MatrizRot_28(a, R); break;
    }
    put_reals(c, "R", F64, R, 9, 3);
}

static void run_increment(Case* c, const Export* e) {
    const float* t = get_reals(c, "theta", F32, 3);
    const Angulos_fl theta = {t[0], t[1], t[2]};
    float s, Df[9];
    double Dd[9];
    if (e->kind == F32) {
        s = MatrizDeltafl_fl(theta, Df);
        put_reals(c, "s", F32, &s, 1, 0);
        put_reals(c, "D", F32, Df, 9, 3);
    } else {
        s = MatrizDeltafl_dbl(theta, Dd);
        put_reals(c, "s", F32, &s, 1, 0);
        put_reals(c, "D", F64, Dd, 9, 3);
    }
}

/* The library's extraction under another address: Getoffset_matriz cannot
 * recognise it and takes its general path. */
static Angulos wrapper(const double* R) { return Gmatriz_opk_seg(R); }

/* Variant 0: Gmatriz_ωφκ_seg, 24: Gmatriz_24_seg, 1: Getoffset_matriz. */
static void run_extraction(Case* c, const Export* e) {
    const double* R = get_reals(c, "R", F64, 9);
    Angulos a;
    if (e->variant == 0) {
        mark_libm(c);
        a = Gmatriz_opk_seg(R);
        put_reals(c, "angles", F64, &a, 3, 0);
    } else if (e->variant == 24) {
        a = Gmatriz_24_seg(R);
        put_reals(c, "v", F64, &a, 3, 0);
    } else {
        const char* f = get_word(c, "f");
        FuncionGmatriz function = NULL;
        int32_t offset = -1;
        if (strcmp(f, "Gmatriz_\xcf\x89\xcf\x86\xce\xba_seg") == 0) function = Gmatriz_opk_seg;
        else if (strcmp(f, "Gmatriz_24_seg") == 0) function = Gmatriz_24_seg;
        else if (strcmp(f, "wrapper") == 0) function = wrapper;
        else bad_case(c, c->line, "f must be Gmatriz_\xcf\x89\xcf\x86\xce\xba_seg, Gmatriz_24_seg or wrapper");
        if (function != Gmatriz_24_seg) mark_libm(c);
        a = Getoffset_matriz(R, function, &offset);
        put_int(c, "offset", offset);
        put_reals(c, "angles", F64, &a, 3, 0);
    }
}

/* Variant 0: Gmedio, 1: Gmedio_pesos. */
static void run_mean(Case* c, const Export* e) {
    const uint32_t n = get_u32(c, "n");
    const double* v = get_reals(c, "angles", F64, 3 * (size_t)n);
    Angulos* triples = n ? case_alloc(c, n * sizeof *triples) : NULL;
    Angulos mean;
    uint32_t i;
    for (i = 0; i < n; ++i) {
        triples[i].omega = v[3 * i];
        triples[i].fi = v[3 * i + 1];
        triples[i].kappa = v[3 * i + 2];
    }
    if (e->variant == 0) {
        mean = Gmedio(triples, n);
    } else {
        const float* w = get_reals(c, "weights", F32, 3 * (size_t)n);
        Pesos* weights = n ? case_alloc(c, n * sizeof *weights) : NULL;
        for (i = 0; i < n; ++i) {
            weights[i].peso_omega = w[3 * i];
            weights[i].peso_fi = w[3 * i + 1];
            weights[i].peso_kappa = w[3 * i + 2];
        }
        mean = Gmedio_pesos(triples, n, weights);
    }
    put_reals(c, "mean", F64, &mean, 3, 0);
}

static void run_similarity3d(Case* c, const Export* e) {
    const Kind k = e->kind;
    const uint32_t n = get_u32(c, "n");
    const int32_t afin = get_i32(c, "aproximacion_afin");
    const int32_t in_place = get_i32(c, "reducir_en_sitio");
    const int with_cofactors = (int)get_integer(c, "cofactores", 0, 1);
    char *s, *d;
    float cofactors[9];
    int32_t status;
    size_t i;
    get_pairs(c, k, n, 3, &s, &d);
    memset(cofactors, 0xA5, sizeof cofactors);
    if (k == F32) {
        float** pointers = n ? case_alloc(c, 2 * (size_t)n * sizeof *pointers) : NULL;
        Hel3Dg_fl r;
        for (i = 0; i < n; ++i) {
            pointers[2 * i] = (float*)s + 3 * i;
            pointers[2 * i + 1] = (float*)d + 3 * i;
        }
        memset(&r, 0xA5, sizeof r);
        status = Hel3Dg___ptr_fl(pointers, n, &r, afin, in_place, with_cofactors ? cofactors : NULL);
        put_int(c, "status", status);
        put_reals(c, "centroids", F32, &r.xm_origen, 6, 3);
        put_reals(c, "escala", F32, &r.escala, 1, 0);
        put_reals(c, "R", F32, r.R, 9, 3);
    } else {
        double** pointers = n ? case_alloc(c, 2 * (size_t)n * sizeof *pointers) : NULL;
        Hel3Dg_dbl r;
        for (i = 0; i < n; ++i) {
            pointers[2 * i] = (double*)s + 3 * i;
            pointers[2 * i + 1] = (double*)d + 3 * i;
        }
        memset(&r, 0xA5, sizeof r);
        status = Hel3Dg___ptr_dbl(pointers, n, &r, afin, in_place, with_cofactors ? cofactors : NULL);
        put_int(c, "status", status);
        put_reals(c, "centroids", F64, &r.xm_origen, 6, 3);
        put_reals(c, "escala", F64, &r.escala, 1, 0);
        put_reals(c, "R", F64, r.R, 9, 3);
    }
    if (with_cofactors) put_reals(c, "cofactores", F32, cofactors, 9, 3);
    if (in_place) {
        char* pairs = n ? case_alloc(c, 6 * (size_t)n * size_of(k)) : NULL;
        for (i = 0; i < n; ++i) {
            memcpy(pairs + 6 * i * size_of(k), s + 3 * i * size_of(k), 3 * size_of(k));
            memcpy(pairs + (6 * i + 3) * size_of(k), d + 3 * i * size_of(k), 3 * size_of(k));
        }
        put_reals(c, "pairs", k, pairs, 6 * (size_t)n, 6);
    }
}

/* In place on nine values: variant 0 convierte_en_R, 1 VQinvsim3. */
static void run_matrix3(Case* c, const Export* e) {
    void* m = get_reals(c, "m", e->kind, 9);
    if (e->kind == F32) {
        if (e->variant == 0) convierte_en_R_fl(m); else VQinvsim3_fl(m);
    } else {
        if (e->variant == 0) convierte_en_R_dbl(m); else VQinvsim3_dbl(m);
    }
    put_reals(c, "m", e->kind, m, 9, 3);
}

#define TWINS(name, run, variant) {name "_fl", run, F32, variant}, {name "_dbl", run, F64, variant}

static const Export kExports[] = {
    TWINS("VQinvsim", run_inverse, 0),
    TWINS("VQinvsim_pos", run_inverse, 1),
    TWINS("VQinvsim_cho", run_inverse, 2),
    TWINS("resuelve_sistema_sim_t", run_packed_solve, 1),
    TWINS("resuelve_sistema_sim_t_2", run_packed_solve, 2),
    TWINS("Hel2Dg___pp", run_hel2dg, PP),
    TWINS("Hel2Dg___p", run_hel2dg, P),
    TWINS("Hel2Dg___g", run_hel2dg, G),
    TWINS("Hel2Dg___gg", run_hel2dg, GG),
    TWINS("Hel2Dg___mixed", run_hel2dg, MIXED),
    TWINS("Hel2Dg___ptr", run_hel2dg, PTR),
    TWINS("Hel2D___Hel2Dg", run_hel2d, 0),
    TWINS("Trans_Polinomica2D___puntosxy", run_polynomial_fit, 0),
    TWINS("transforma_punto2D", run_transform_point, 0),
    {"MatrizRotGT_\xcf\x89\xcf\x86\xce\xba", run_sincos_builder, F64, 0},
    {"MatrizRotGT_\xce\xba\xcf\x89\xcf\x86", run_sincos_builder, F64, 1},
    {"MatrizRotGT_\xce\xbaw\xce\xba", run_sincos_builder, F64, 2},
    {"MatrizRot_\xce\xba\xcf\x89\xcf\x86", run_angle_builder, F64, 0},
    {"MatrizRot_20", run_parameter_builder, F64, 20},
    {"MatrizRot_24", run_parameter_builder, F64, 24},
    {"MatrizRot_26", run_parameter_builder, F64, 26},
    {"MatrizRot_28", run_parameter_builder, F64, 28},
    TWINS("MatrizDeltafl", run_increment, 0),
    {"Gmatriz_\xcf\x89\xcf\x86\xce\xba_seg", run_extraction, F64, 0},
    {"Gmatriz_24_seg", run_extraction, F64, 24},
    {"Getoffset_matriz", run_extraction, F64, 1},
    {"Gmedio", run_mean, F64, 0},
    {"Gmedio_pesos", run_mean, F64, 1},
    TWINS("Hel3Dg___ptr", run_similarity3d, 0),
    TWINS("convierte_en_R", run_matrix3, 0),
    TWINS("VQinvsim3", run_matrix3, 1),
};
enum { kExportCount = sizeof kExports / sizeof kExports[0] };

static int cases_of[kExportCount];

/* ------------------------------------------------------------------------ */
/* Files                                                                     */
/* ------------------------------------------------------------------------ */

static char* skip_space(char* s) {
    while (*s == ' ' || *s == '\t' || *s == '\r') ++s;
    return s;
}

static int is_blank(const char* s) {
    while (*s == ' ' || *s == '\t' || *s == '\r') ++s;
    return *s == '\0';
}

static void add_tokens(Case* c, Field* fields, int* n_fields, char* text, int line) {
    char* colon = strchr(text, ':');
    char* name;
    char* token;
    Field* f = NULL;
    int i;
    if (!colon || colon == text) bad_case(c, line, "expected \"name: values\"");
    *colon = '\0';
    name = text;
    for (i = 0; name[i]; ++i)
        if (name[i] == ' ' || name[i] == '\t') bad_case(c, line, "a field name is one word");
    for (i = 0; i < *n_fields; ++i)
        if (strcmp(fields[i].name, name) == 0) f = &fields[i];
    if (!f) {
        if (*n_fields == kMaxFields) bad_case(c, line, "too many fields");
        f = &fields[(*n_fields)++];
        f->name = name;
        f->line = line;
    }
    for (token = strtok(colon + 1, " \t\r"); token; token = strtok(NULL, " \t\r")) {
        char** grown = realloc(f->tokens, (f->count + 1) * sizeof *grown);
        if (!grown) out_of_memory();
        f->tokens = grown;
        f->tokens[f->count++] = token;
    }
}

static char* copy_of(Case* c, const char* s) {
    char* copy = case_alloc(c, strlen(s) + 1);
    strcpy(copy, s);
    return copy;
}

/* Runs the case in lines [first, end); in write mode appends its new text. */
static int run_case(const char* file, char** lines, size_t first, size_t end, int writing, Text* out) {
    Case c;
    char* header;
    char* word;
    const Export* e = NULL;
    size_t i;
    int k, differs;
    memset(&c, 0, sizeof c);
    c.file = file;
    c.line = (int)first + 1;
    c.writing = writing;

    header = copy_of(&c, lines[first]);
    word = strtok(skip_space(header) + strlen("case"), " \t\r");
    if (!word) bad_case(&c, c.line, "a case names its export");
    c.export_name = word;
    word = strtok(NULL, "");
    word = word ? skip_space(word) : "";
    if (strncmp(word, "[libm]", 6) == 0) {
        c.marked_libm = 1;
        word = skip_space(word + 6);
    }
    c.label = word;
    for (k = 0; k < kExportCount; ++k)
        if (strcmp(kExports[k].name, c.export_name) == 0) e = &kExports[k];
    if (!e) bad_case(&c, c.line, "no such export");
    cases_of[e - kExports]++;

    for (i = first + 1; i < end; ++i) {
        char* text = skip_space(copy_of(&c, lines[i]));
        if (*text == '#') continue;
        if (strncmp(text, "=>", 2) == 0)
            add_tokens(&c, c.recorded, &c.n_recorded, skip_space(text + 2), (int)i + 1);
        else
            add_tokens(&c, c.inputs, &c.n_inputs, text, (int)i + 1);
    }

    e->run(&c, e);

    for (k = 0; k < c.n_inputs; ++k)
        if (!c.inputs[k].used) bad_case(&c, c.inputs[k].line, "does not take '%s'", c.inputs[k].name);
    if (!writing) {
        for (k = 0; k < c.n_recorded; ++k)
            if (!c.recorded[k].used) report(&c, c.recorded[k].line, "%s: not a result of this export", c.recorded[k].name);
        if (c.marked_libm != c.uses_libm)
            report(&c, c.line, c.uses_libm ? "results pass through the C library's sin/cos/asin/acos/atan2: the case needs [libm]"
                                           : "no result passes through the C library's trigonometry: drop [libm]");
        if (c.differences && c.uses_libm)
            printf("%s:%d:   (this case depends on the C library's trigonometric functions: a C library "
                   "that rounds them differently changes it)\n", file, c.line);
    } else {
        append(out, "case ");
        append(out, c.export_name);
        if (c.uses_libm) append(out, " [libm]");
        if (*c.label) {
            append(out, " ");
            append(out, c.label);
        }
        append(out, "\n");
        for (i = first + 1; i < end; ++i)
            if (strncmp(skip_space(lines[i]), "=>", 2) != 0) {
                append(out, lines[i]);
                append(out, "\n");
            }
        append(out, c.produced.text ? c.produced.text : "");
    }
    differs = c.differences != 0;
    free_case(&c);
    return differs;
}

static char* read_file(const char* path) {
    FILE* f = fopen(path, "rb");
    char* text;
    long size;
    if (!f || fseek(f, 0, SEEK_END) != 0 || (size = ftell(f)) < 0 || fseek(f, 0, SEEK_SET) != 0) {
        fprintf(stderr, "%s: cannot read: %s\n", path, strerror(errno));
        exit(2);
    }
    text = malloc((size_t)size + 1);
    if (!text) out_of_memory();
    if (fread(text, 1, (size_t)size, f) != (size_t)size) {
        fprintf(stderr, "%s: cannot read: %s\n", path, strerror(errno));
        exit(2);
    }
    fclose(f);
    text[size] = '\0';
    return text;
}

/* Checks (or rewrites) one file; returns the number of cases that differ. */
static int run_file(const char* path, int writing) {
    char* text = read_file(path);
    char** lines = NULL;
    size_t n_lines = 0, i;
    char* at = text;
    Text out = {NULL, 0, 0};
    int cases = 0, differing = 0;

    while (*at) {
        char* newline = strchr(at, '\n');
        char** grown = realloc(lines, (n_lines + 1) * sizeof *lines);
        if (!grown) out_of_memory();
        lines = grown;
        lines[n_lines++] = at;
        if (!newline) break;
        *newline = '\0';
        at = newline + 1;
    }

    for (i = 0; i < n_lines;) {
        const char* t = skip_space(lines[i]);
        if (strncmp(t, "case", 4) == 0 && (t[4] == ' ' || t[4] == '\t')) {
            size_t end = i + 1;
            while (end < n_lines && !is_blank(lines[end])) ++end;
            differing += run_case(path, lines, i, end, writing, &out);
            ++cases;
            i = end;
        } else {
            if (!is_blank(t) && *t != '#') {
                fprintf(stderr, "%s:%lu: expected a case, a comment or a blank line\n", path,
                        (unsigned long)i + 1);
                exit(2);
            }
            if (writing) {
                append(&out, lines[i]);
                append(&out, "\n");
            }
            ++i;
        }
    }

    if (writing) {
        const size_t length = strlen(path) + 5;
        char* temporary = malloc(length);
        FILE* f;
        if (!temporary) out_of_memory();
        snprintf(temporary, length, "%s.new", path);
        f = fopen(temporary, "wb");
        if (!f || fwrite(out.text, 1, out.length, f) != out.length || fclose(f) != 0 ||
            rename(temporary, path) != 0) {
            fprintf(stderr, "%s: cannot write: %s\n", temporary, strerror(errno));
            exit(2);
        }
        free(temporary);
        printf("%s: %d cases written\n", path, cases);
    } else {
        printf("%s: %d cases, %d differ\n", path, cases, differing);
    }
    free(out.text);
    free(lines);
    free(text);
    return differing;
}

/* Every name of an export list (one per line) needs at least one case. */
static int uncovered_exports(const char* list) {
    char* text = read_file(list);
    char* name;
    int missing = 0;
    for (name = strtok(text, "\r\n"); name; name = strtok(NULL, "\r\n")) {
        int k, found = 0;
        for (k = 0; k < kExportCount; ++k)
            if (strcmp(kExports[k].name, name) == 0) found = cases_of[k] > 0;
        if (!found) {
            printf("%s: %s has no golden case\n", list, name);
            ++missing;
        }
    }
    free(text);
    return missing;
}

int main(int argc, char** argv) {
    const char* lists[4];
    int n_lists = 0, writing = 0, files = 0, differing = 0, i;
    for (i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--write") == 0) {
            writing = 1;
        } else if (strcmp(argv[i], "--exports") == 0 && i + 1 < argc && n_lists < 4) {
            lists[n_lists++] = argv[++i];
        } else if (argv[i][0] == '-') {
            fprintf(stderr, "usage: %s [--write] [--exports LIST]... FILE...\n", argv[0]);
            return 2;
        }
    }
    for (i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--exports") == 0) {
            ++i;
        } else if (argv[i][0] != '-') {
            differing += run_file(argv[i], writing);
            ++files;
        }
    }
    if (files == 0) {
        fprintf(stderr, "usage: %s [--write] [--exports LIST]... FILE...\n", argv[0]);
        return 2;
    }
    for (i = 0; i < n_lists; ++i) differing += uncovered_exports(lists[i]);
    return differing ? 1 : 0;
}
