#ifndef SIMCNC_UVENLIB_API_H
#define SIMCNC_UVENLIB_API_H
/*
 * The controller library "UvenlibVB" as the operator program sees it: the 19 entry points
 * it fetches by name, their signatures, the record layouts it reads and the result codes
 * it judges. Types and constants only. The program's binding includes this header for its
 * function pointers and the library declares its exports with the same function types,
 * so a signature can never differ between caller and library.
 *
 * Every entry point returns a 16-bit result (int16_t); callers that compare against
 * "65535" or "32768 to 65534" read it as uint16_t.
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Library name ------------------------------------------------------------------- */
#define UVEN_LIBRARY_NAME "UvenlibVB" /* loaded by name: libUvenlibVB.so */

/* ---- dirnav ------------------------------------------------------------------------- */
/* Called once after the controller's program is started. Bit 4 set = initialised. */
#define UVEN_DIRNAV_INIT_OK 0x0004

/* ---- R variables (GetDatiCncEx / SetDatiCncEx) ------------------------------------- */
#define UVEN_KIND_R 1          /* kind of the R variables, the only kind the program uses */
#define UVEN_R_COUNT 10000     /* R0 .. R9999 */
#define UVEN_MAX_TRANSFER 256  /* at most this many consecutive variables per call */
/* Results:
 *   >= 2 (here: 4 bytes per real transferred) success, nothing to report;
 *   UVEN_RW_NOT_READY (0)  the controller did not answer (link down);
 *   UVEN_RW_BAD_KIND (1)   unknown variable kind;
 *   UVEN_RW_BAD_ARG (-1)   number/count out of range or no buffer.
 * On failure the caller's buffer is left untouched. */
#define UVEN_RW_NOT_READY 0
#define UVEN_RW_BAD_KIND 1
#define UVEN_RW_BAD_ARG (-1)
#define UVEN_RW_BYTES_PER_REAL 4

/* PLC variables (GetDatiPlcEx / SetDatiPlcEx): same results, numbers 0 .. 1023. */
#define UVEN_PLC_COUNT 1024

/* ---- Commands (SendCnc / TstCmdCnc) ------------------------------------------------ */
/* SendCnc results: 0 accepted, 33 busy (send the same command again later), any other
 * value refused; the refusal codes below are positive so that a caller may pass them on
 * as an error number distinct from its own -1 time-out. */
#define UVEN_CMD_ACCEPTED 0
#define UVEN_CMD_BUSY 33
#define UVEN_CMD_REFUSED 1     /* unknown command or missing text */
#define UVEN_CMD_NO_PROGRAM 2  /* "FILLAV.TAB" or the named part program cannot be read */
#define UVEN_CMD_WRONG_STATE 3 /* not allowed while a part program runs */
#define UVEN_CMD_EMERGENCY 4   /* emergency active (R454) */
/* TstCmdCnc results: non-zero while the last accepted command still runs, 0 when idle. */
#define UVEN_TST_IDLE 0
#define UVEN_TST_RUNNING 1
#define UVEN_CMD_TEXT_MAX 63   /* longer command texts are refused */

/* Command codes the program sends. */
#define UVEN_CMD_CODE_MODE 7          /* with a sub-code below, no text */
#define UVEN_CMD_SUB_SELECT_AUTO 151  /* selects automatic program execution (sets word 2 bit 0x200) */
#define UVEN_CMD_SUB_RESET_PROGRAM 85 /* resets the program state (clears word 3) */
#define UVEN_CMD_SUB_87 87            /* accepted, no effect */
#define UVEN_CMD_CODE_START 4         /* sub-code 0, text = program name: load "FILLAV.TAB" and run */

/* ---- Status words (get_stacn) ------------------------------------------------------ */
#define UVEN_STACN_WORDS 3
#define UVEN_STACN_W2_AUTO_SELECTED 0x0200 /* word 2: automatic execution selected */
#define UVEN_STACN_W3_END 0x0001           /* word 3: the last program reached its end */
#define UVEN_STACN_W3_ACTIVE 0x0002        /* word 3: a program is loaded and active */

/* ---- Overrides (GetVelOvr): six 32-bit reals ---------------------------------------- */
#define UVEN_VELOVR_REALS 6
#define UVEN_VELOVR_FEED 3    /* byte 12: feed override, 1.0 = 100 % */
#define UVEN_VELOVR_SPINDLE 5 /* byte 20: spindle override, 1.0 = 100 % */
/* [0] programmed feed, [1] actual feed, [2] rapid override, [4] spindle speed. */

/* ---- Program state (GetStaPro) ------------------------------------------------------ */
/* The record starts with a zero-terminated text: the name of the program or sub-program
 * being executed ("ISONV", "ALIM.BRE"), empty when no program runs. The caller's record
 * holds at least UVEN_STAPRO_SIZE bytes; the text is at most UVEN_STAPRO_SIZE - 1. */
#define UVEN_STAPRO_SIZE 64

/* ---- Axes (get_assicn, lquote) ------------------------------------------------------- */
#define UVEN_AXIS_COUNT 12 /* X Y Z U A B V W C P H Q: R600-R605, R672, R673, R688-R691 */

/* ---- Other records -------------------------------------------------------------------- */
#define UVEN_CONF_WORDS 4    /* get_confcn, get_confecn: [0] axis count, [1] variant code */
#define UVEN_STATOL_WORDS 4  /* GetStaTol: [0] active tool number */

/* Status calls (get_stacn, GetVelOvr, GetStaPro, ...) return UVEN_OK or UVEN_ERR_ARG. */
#define UVEN_OK 0
#define UVEN_ERR_ARG (-1)

/* ---- Function types of the 19 entry points ------------------------------------------ */
typedef int16_t UVEN_FN_dirnav(void);
typedef int16_t UVEN_FN_TestCnc(void); /* 1 when the controller answers */
typedef int16_t UVEN_FN_GetDatiCncEx(int16_t kind, int32_t number, int16_t count, float* values);
typedef int16_t UVEN_FN_SetDatiCncEx(int16_t kind, int32_t number, int16_t count, const float* values);
typedef int16_t UVEN_FN_GetDatiPlcEx(int16_t kind, int32_t number, int16_t count, float* values);
typedef int16_t UVEN_FN_SetDatiPlcEx(int16_t kind, int32_t number, int16_t count, const float* values);
typedef int16_t UVEN_FN_get_confecn(uint16_t* words /* UVEN_CONF_WORDS */);
typedef int16_t UVEN_FN_get_assicn(float* positions /* UVEN_AXIS_COUNT */);
typedef int16_t UVEN_FN_get_stacn(uint16_t* words /* UVEN_STACN_WORDS */);
typedef int16_t UVEN_FN_get_confcn(uint16_t* words /* UVEN_CONF_WORDS */);
typedef int16_t UVEN_FN_lquote(int16_t axis /* 0 .. UVEN_AXIS_COUNT-1 */, float* position);
typedef int16_t UVEN_FN_GetVelOvr(float* record /* UVEN_VELOVR_REALS */);
typedef int16_t UVEN_FN_LegAllAtt(int16_t* alarms /* 10 */); /* returns the active alarm count */
typedef int16_t UVEN_FN_GetStaPro(char* record /* UVEN_STAPRO_SIZE */);
typedef int16_t UVEN_FN_GetStaTol(int32_t* record /* UVEN_STATOL_WORDS */);
typedef int16_t UVEN_FN_SendCnc(uint16_t code, uint16_t subCode, const char* text /* or null */);
typedef int16_t UVEN_FN_SelJog(int16_t axis, int16_t direction); /* 0 accepted, else refused */
typedef int16_t UVEN_FN_GetDatoCnf(int16_t index, float* value);
typedef int16_t UVEN_FN_TstCmdCnc(void);

/* Pointer types, one per entry point: UVEN_PFN_<name>. */
#define UVEN_DECLARE_PFN(name) typedef UVEN_FN_##name* UVEN_PFN_##name;
/* The 19 entry points in the order the start-up fetches them. */
#define UVEN_FOR_EACH_ENTRY(X)                                                                       \
    X(dirnav) X(TestCnc) X(GetDatiCncEx) X(SetDatiCncEx) X(GetDatiPlcEx) X(SetDatiPlcEx) X(get_confecn) \
    X(get_assicn) X(get_stacn) X(get_confcn) X(lquote) X(GetVelOvr) X(LegAllAtt) X(GetStaPro)          \
    X(GetStaTol) X(SendCnc) X(SelJog) X(GetDatoCnf) X(TstCmdCnc)
UVEN_FOR_EACH_ENTRY(UVEN_DECLARE_PFN)
#undef UVEN_DECLARE_PFN

#define UVEN_ENTRY_COUNT 19

#ifdef __cplusplus
}
#endif

#endif /* SIMCNC_UVENLIB_API_H */
