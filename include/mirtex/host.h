/*
 * The host simulator's user-compiled model interface, as mirtex sees it.
 *
 * These records are shared byte for byte between the host and the model
 * library: the host lays out definitions, parameter lists and instances, the
 * library reads them.  Every layout carries static_asserts so that a change
 * of compiler or flags cannot silently move a field.
 */
#ifndef MIRTEX_HOST_H
#define MIRTEX_HOST_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The host's complex number: real part first. */
typedef struct COMPLEX {
    double real;
    double imag;
} COMPLEX;

/* Parameter data types of a definition's parameter list. */
enum {
    MIRTEX_REAL = 0, /* double */
    MIRTEX_INT = 1,  /* int in the low 4 bytes of the value word */
    MIRTEX_MTRL = 2, /* name (char*) of a data-item instance */
    MIRTEX_STRG = 3  /* text (char*) */
};

typedef struct UserParamType {
    const char* keyword;
    int type;
} UserParamType;

struct UserInstDef;

typedef int (*UserPreFn)(struct UserInstDef* inst);
typedef int (*UserYFn)(struct UserInstDef* inst, double omega, COMPLEX* y);
typedef int (*UserNoiseFn)(struct UserInstDef* inst, double omega, COMPLEX* y, COMPLEX* noise);
typedef int (*UserPostFn)(struct UserInstDef* inst);

/* One element or data-item definition (80 bytes). */
typedef struct UserElemDef {
    const char* name;
    int numExtNodes;
    int numPars;
    const UserParamType* params;
    UserPreFn pre;
    UserYFn y;
    UserNoiseFn noise;
    UserPostFn post;
    void* reserved[3];
} UserElemDef;

/* One parameter value of an instance (24 bytes); the value sits in the
 * second 8-byte word.  The first word is the host's own bookkeeping (our
 * stand-in host keeps the data type there), the third is unused. */
typedef struct UserParamValue {
    int64_t host_word;
    union {
        double r;
        int i;
        const char* s; /* STRG text or MTRL instance name */
        void* p;
    } value;
    int64_t spare;
} UserParamValue;

/* The leading part of an instance record; a host may keep more after it. */
typedef struct UserInstDef {
    const char* name;
    const UserElemDef* def;
    UserParamValue* params;
} UserInstDef;

/* Host functions, resolved when the host loads the library. */
int load_elements(UserElemDef* defs, int count);
int load_elements2(UserElemDef* defs, int count);
UserInstDef* get_user_inst(const char* name);
void send_error_to_scn(const char* text);
void send_info_to_scn(const char* text);
int passive_noise(COMPLEX* y, int nodes, COMPLEX* noise, double temp);
int add_lin_y(UserInstDef* inst, int row, int col, COMPLEX y);
int first_frequency(void);

#ifdef __cplusplus
} /* extern "C" */

/* The host's device announcer.  A model library constructs one static object
 * per device it provides; the host runs the boot callback before it first
 * needs any of those devices and takes 0 as success.  The host owns the
 * class; it carries no state the library may touch. */
class DeviceInstaller {
public:
    DeviceInstaller(const char* name, int (*boot)(void), int flag);

private:
    [[maybe_unused]] void* host_cookie_;
};

static_assert(sizeof(COMPLEX) == 16 && offsetof(COMPLEX, imag) == 8);
static_assert(sizeof(UserParamType) == 16 && offsetof(UserParamType, type) == 8);
static_assert(sizeof(UserElemDef) == 80);
static_assert(offsetof(UserElemDef, numExtNodes) == 8 && offsetof(UserElemDef, numPars) == 12);
static_assert(offsetof(UserElemDef, params) == 16 && offsetof(UserElemDef, pre) == 24);
static_assert(offsetof(UserElemDef, y) == 32 && offsetof(UserElemDef, noise) == 40);
static_assert(offsetof(UserElemDef, post) == 48 && offsetof(UserElemDef, reserved) == 56);
static_assert(sizeof(UserParamValue) == 24 && offsetof(UserParamValue, value) == 8);
static_assert(offsetof(UserInstDef, name) == 0 && offsetof(UserInstDef, def) == 8);
static_assert(offsetof(UserInstDef, params) == 16);
static_assert(sizeof(DeviceInstaller) == 8);
#endif

#endif /* MIRTEX_HOST_H */
