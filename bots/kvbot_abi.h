/* The bot module interface: the one header a bot module compiles against.
 *
 * A bot module is a shared object named "*.kvb" in the program's "./bot" folder. It exports, with C
 * linkage, the functions declared below. The host loads it, reads its texts, calls Initialize with the
 * engine table (50 entries) and GetModuleInterface with a zeroed module table (24 slots) that the module
 * fills; a slot left null is one the module does not implement.
 *
 * Every record that crosses the interface is little-endian and lies at the offsets given here; the
 * structures below only describe those offsets (checked at compile time). */
#ifndef KVBOT_ABI_H
#define KVBOT_ABI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KVBOT_INTERFACE_VERSION 6u
#define KVBOT_ENGINE_ENTRIES 50
#define KVBOT_MODULE_SLOTS 24
/* A create slot answering this or more failed. */
#define KVBOT_BAD_HANDLE 0xFFF0u

typedef void (*kvbot_fn)(void);

typedef struct kvbot_engine_table {
    kvbot_fn entry[KVBOT_ENGINE_ENTRIES];
} kvbot_engine_table;

typedef struct kvbot_module_table {
    kvbot_fn slot[KVBOT_MODULE_SLOTS];
} kvbot_module_table;

/* ---- Records ---------------------------------------------------------------------------------- */

/* The command record a bot's think fills: up to 151 command codes (positive press, negative release)
 * and two view values (turn and pitch, as mouse motion). 312 bytes. */
#define KVBOT_MAX_CODES 151
typedef struct kvbot_command_record {
    uint8_t count;
    uint8_t pad0;
    int16_t codes[KVBOT_MAX_CODES];
    int32_t view[2];
} kvbot_command_record;

/* Filled by engine entries 6, 9 and 12. 120 bytes. */
typedef struct kvbot_player_info {
    uint32_t id;
    int32_t specialisation;
    const char* nick; /* valid until control returns to the host */
    int32_t spawn_point;
    int32_t team; /* 3: no team */
    int32_t skin;
    int32_t state; /* low 3 bits of the state */
    int32_t health;
    float position[3];
    float levels[3]; /* the third to fifth level bytes / 255 */
    int32_t entry_values[2];
    uint8_t armour;
    uint8_t pad0[3];
    int32_t values[9];
    uint8_t grenade_counts[4];
    uint8_t driven_here;
    uint8_t pad1[7];
} kvbot_player_info;

/* Filled by engine entry 4. 40 bytes. */
typedef struct kvbot_server_info {
    char package[32]; /* byte 31 is always zero */
    uint32_t snapshot_value;
    uint32_t three;
} kvbot_server_info;

/* Filled by engine entry 32. 165 bytes. */
typedef struct kvbot_skeleton {
    float points[8][3];
    uint8_t five;
    uint8_t pad0[3];
    float more[5][3];
    uint8_t order[5];
} kvbot_skeleton;

/* Handed with game events (module slot 7). 24 bytes. */
typedef struct kvbot_event_record {
    int32_t goal;
    int32_t player;
    int32_t team;
    float position[3];
} kvbot_event_record;

/* Goal records (engine entry 46) are 156 bytes. */
#define KVBOT_GOAL_RECORD_SIZE 156

#ifdef __cplusplus
#define KVBOT_STATIC_ASSERT static_assert
#else
#define KVBOT_STATIC_ASSERT _Static_assert
#endif
KVBOT_STATIC_ASSERT(sizeof(kvbot_engine_table) == KVBOT_ENGINE_ENTRIES * sizeof(void*), "engine table");
KVBOT_STATIC_ASSERT(sizeof(kvbot_module_table) == KVBOT_MODULE_SLOTS * sizeof(void*), "module table");
KVBOT_STATIC_ASSERT(offsetof(kvbot_command_record, codes) == 2, "command codes");
KVBOT_STATIC_ASSERT(offsetof(kvbot_command_record, view) == 304, "command view values");
KVBOT_STATIC_ASSERT(sizeof(kvbot_command_record) == 312, "command record");
KVBOT_STATIC_ASSERT(offsetof(kvbot_player_info, nick) == 8, "player nick");
KVBOT_STATIC_ASSERT(offsetof(kvbot_player_info, spawn_point) == 16, "player spawn point");
KVBOT_STATIC_ASSERT(offsetof(kvbot_player_info, team) == 20, "player team");
KVBOT_STATIC_ASSERT(offsetof(kvbot_player_info, skin) == 24, "player skin");
KVBOT_STATIC_ASSERT(offsetof(kvbot_player_info, state) == 28, "player state");
KVBOT_STATIC_ASSERT(offsetof(kvbot_player_info, health) == 32, "player health");
KVBOT_STATIC_ASSERT(offsetof(kvbot_player_info, position) == 36, "player position");
KVBOT_STATIC_ASSERT(offsetof(kvbot_player_info, levels) == 48, "player levels");
KVBOT_STATIC_ASSERT(offsetof(kvbot_player_info, entry_values) == 60, "player entry values");
KVBOT_STATIC_ASSERT(offsetof(kvbot_player_info, armour) == 68, "player armour");
KVBOT_STATIC_ASSERT(offsetof(kvbot_player_info, values) == 72, "player values");
KVBOT_STATIC_ASSERT(offsetof(kvbot_player_info, grenade_counts) == 108, "player grenades");
KVBOT_STATIC_ASSERT(offsetof(kvbot_player_info, driven_here) == 112, "player flag");
KVBOT_STATIC_ASSERT(sizeof(kvbot_player_info) == 120, "player info");
KVBOT_STATIC_ASSERT(offsetof(kvbot_server_info, snapshot_value) == 32, "server snapshot value");
KVBOT_STATIC_ASSERT(sizeof(kvbot_server_info) == 40, "server info");
KVBOT_STATIC_ASSERT(offsetof(kvbot_skeleton, five) == 96, "skeleton byte");
KVBOT_STATIC_ASSERT(offsetof(kvbot_skeleton, more) == 100, "skeleton further points");
KVBOT_STATIC_ASSERT(offsetof(kvbot_skeleton, order) == 160, "skeleton order");
KVBOT_STATIC_ASSERT(sizeof(kvbot_skeleton) == 164 || sizeof(kvbot_skeleton) == 168, "skeleton");
KVBOT_STATIC_ASSERT(sizeof(kvbot_event_record) == 24, "event record");

/* ---- Engine table entries (index: signature) -------------------------------------------------- */

enum kvbot_engine_entry {
    KVBOT_E_CONSOLE_PRINT = 0,  /* int (const char* format, ...) */
    KVBOT_E_LOG = 1,            /* void (uint8_t level, const char* format, ...) */
    KVBOT_E_MILLISECONDS = 3,   /* uint32_t (void) */
    KVBOT_E_SERVER_INFO = 4,    /* uint8_t (kvbot_server_info*) */
    KVBOT_E_PLAYER_INFO = 6,    /* uint8_t (uint32_t id, kvbot_player_info*) */
    KVBOT_E_NEXT_PLAYER = 9,    /* uint32_t (uint32_t handle, kvbot_player_info*) */
    KVBOT_E_NEXT_NEAR = 12,     /* uint32_t (uint32_t handle, kvbot_player_info*, const float* point,
                                   float radius) */
    KVBOT_E_LINE_TEST = 14,     /* uint8_t (uint32_t id, const float* from, const float* to, uint8_t flags) */
    KVBOT_E_SEES_PLAYER = 15,   /* uint8_t (uint32_t id, const float* from, const float* to) */
    KVBOT_E_COVER = 18,         /* int32_t (uint32_t id, const float* from, const float* to) */
    KVBOT_E_VIEW_MATRIX = 19,   /* void (uint32_t id, float* mat4) */
    KVBOT_E_VIEW_INVERSE = 20,  /* uint8_t (uint32_t id, float* mat4): true when inverted */
    KVBOT_E_FOLD_FULL = 21,     /* void (uint32_t id, const float* world, float* out) */
    KVBOT_E_FOLD_X = 22,        /* void (uint32_t id, const float* world, float* out) */
    KVBOT_E_FOLD_Y = 23,        /* void (uint32_t id, const float* world, float* out) */
    KVBOT_E_UNFOLD = 24,        /* float* (uint32_t id, const float* view, float* out) */
    KVBOT_E_EVENT = 25,         /* uint32_t (uint32_t id, const char* data) */
    KVBOT_E_PICK = 27,          /* uint8_t (uint32_t id, float* vec3) */
    KVBOT_E_EYE = 28,           /* uint8_t (uint32_t id, float* a, float* b) */
    KVBOT_E_BODY = 29,          /* uint8_t (uint32_t id, float* a, float* b) */
    KVBOT_E_SKELETON = 32,      /* uint8_t (uint32_t id, kvbot_skeleton*) */
    KVBOT_E_LINE_ADD = 35,      /* uint32_t (const float* from, const float* to, const uint8_t* rgb,
                                   uint8_t flags) */
    KVBOT_E_LINE_FREE = 36,     /* void (uint32_t index) */
    KVBOT_E_LINE_CLEAR = 37,    /* void (void) */
    KVBOT_E_POINT_ADD = 38,     /* uint32_t (const float* position, const uint8_t* rgb, uint8_t flags) */
    KVBOT_E_POINT_FREE = 39,    /* void (uint32_t index) */
    KVBOT_E_POINT_CLEAR = 40,   /* void (void) */
    KVBOT_E_TEXT_ADD = 41,      /* uint32_t (const float* position, const char* text, const uint8_t* rgb,
                                   uint8_t flags) */
    KVBOT_E_TEXT_FREE = 42,     /* void (uint32_t index) */
    KVBOT_E_TEXT_CLEAR = 43,    /* void (void) */
    KVBOT_E_SCREENSHOT = 44,    /* uint8_t (const char* file) */
    KVBOT_E_GOAL_COUNT = 45,    /* int32_t (void) */
    KVBOT_E_GOAL_INFO = 46,     /* void (int32_t index, uint8_t* record of 156 bytes) */
    KVBOT_E_SELECT_WEAPON = 47, /* uint8_t (uint32_t id, int32_t weapon, uint8_t slot kind) */
    KVBOT_E_RADIO = 48,         /* uint8_t (uint32_t id, uint8_t message) */
    KVBOT_E_SET_LOG_LEVEL = 49  /* uint8_t (int32_t level) */
};

typedef int (*kvbot_console_print_fn)(const char* format, ...);
typedef void (*kvbot_log_fn)(uint8_t level, const char* format, ...);
typedef uint32_t (*kvbot_milliseconds_fn)(void);
typedef uint8_t (*kvbot_server_info_fn)(kvbot_server_info*);
typedef uint8_t (*kvbot_player_info_fn)(uint32_t, kvbot_player_info*);
typedef uint32_t (*kvbot_next_player_fn)(uint32_t, kvbot_player_info*);
typedef uint32_t (*kvbot_next_near_fn)(uint32_t, kvbot_player_info*, const float*, float);
typedef uint8_t (*kvbot_line_test_fn)(uint32_t, const float*, const float*, uint8_t);
typedef uint8_t (*kvbot_sees_player_fn)(uint32_t, const float*, const float*);
typedef int32_t (*kvbot_cover_fn)(uint32_t, const float*, const float*);
typedef void (*kvbot_view_matrix_fn)(uint32_t, float*);
typedef uint8_t (*kvbot_view_inverse_fn)(uint32_t, float*);
typedef void (*kvbot_fold_fn)(uint32_t, const float*, float*);
typedef float* (*kvbot_unfold_fn)(uint32_t, const float*, float*);
typedef uint32_t (*kvbot_event_fn)(uint32_t, const char*);
typedef uint8_t (*kvbot_pick_fn)(uint32_t, float*);
typedef uint8_t (*kvbot_two_vectors_fn)(uint32_t, float*, float*);
typedef uint8_t (*kvbot_skeleton_fn)(uint32_t, kvbot_skeleton*);
typedef uint32_t (*kvbot_line_add_fn)(const float*, const float*, const uint8_t*, uint8_t);
typedef uint32_t (*kvbot_point_add_fn)(const float*, const uint8_t*, uint8_t);
typedef uint32_t (*kvbot_text_add_fn)(const float*, const char*, const uint8_t*, uint8_t);
typedef void (*kvbot_free_fn)(uint32_t);
typedef void (*kvbot_clear_fn)(void);
typedef uint8_t (*kvbot_screenshot_fn)(const char*);
typedef int32_t (*kvbot_goal_count_fn)(void);
typedef void (*kvbot_goal_info_fn)(int32_t, uint8_t*);
typedef uint8_t (*kvbot_select_weapon_fn)(uint32_t, int32_t, uint8_t);
typedef uint8_t (*kvbot_radio_fn)(uint32_t, uint8_t);
typedef uint8_t (*kvbot_set_log_level_fn)(int32_t);
/* Entries 2, 5, 7, 8, 10, 11, 13, 16, 17, 26, 30, 31, 33 and 34 take anything and do nothing; 30 and 31
 * answer 0.0f, the others 0. */
typedef uint32_t (*kvbot_nothing_fn)(void);
typedef float (*kvbot_nothing_float_fn)(void);

/* ---- Module table slots ----------------------------------------------------------------------- */

enum kvbot_module_slot {
    KVBOT_S_LEVEL_START = 0,     /* void (const char* level) */
    KVBOT_S_LEVEL_END = 1,       /* void (void) */
    KVBOT_S_CREATE = 2,          /* uint32_t (uint8_t active, const char* config file) */
    KVBOT_S_DESTROY = 3,         /* void (uint32_t handle) */
    KVBOT_S_SET_ACTIVE = 6,      /* void (uint32_t handle, uint8_t flag) */
    KVBOT_S_GAME_EVENT = 7,      /* void (int32_t kind, const kvbot_event_record*) */
    KVBOT_S_RADIO = 8,           /* void (uint32_t player, uint32_t message) */
    KVBOT_S_FRAME_STEP = 9,      /* void (uint32_t n): 0, 1, 2 after all bots thought */
    KVBOT_S_THINK = 10,          /* void (uint32_t handle, kvbot_command_record*) */
    KVBOT_S_ATTACH = 11,         /* void (uint32_t handle, uint32_t player) */
    KVBOT_S_PLAYER_ADDED = 15,   /* void (uint32_t handle, uint32_t player) */
    KVBOT_S_PLAYER_REMOVED = 16, /* void (uint32_t handle, uint32_t player) */
    KVBOT_S_EVENT_2 = 17,        /* void (uint32_t handle, uint32_t player) */
    KVBOT_S_EVENT_3 = 18,        /* void (uint32_t handle, uint32_t player) */
    KVBOT_S_ROUND_START = 19,    /* void (void) */
    KVBOT_S_ROUND_END = 20,      /* void (uint32_t value) */
    KVBOT_S_NOTICE = 21,         /* void (uint32_t handle) */
    KVBOT_S_BEGIN_FRAME = 22,    /* void (void) */
    KVBOT_S_CONSOLE = 23         /* const char* (uint32_t handle, const char* word, const char* rest) */
};

typedef void (*kvbot_level_start_fn)(const char*);
typedef void (*kvbot_void_fn)(void);
typedef uint32_t (*kvbot_create_fn)(uint8_t, const char*);
typedef void (*kvbot_handle_fn)(uint32_t);
typedef void (*kvbot_handle_flag_fn)(uint32_t, uint8_t);
typedef void (*kvbot_game_event_fn)(int32_t, const kvbot_event_record*);
typedef void (*kvbot_two_u32_fn)(uint32_t, uint32_t);
typedef void (*kvbot_u32_fn)(uint32_t);
typedef void (*kvbot_think_fn)(uint32_t, kvbot_command_record*);
typedef const char* (*kvbot_console_fn)(uint32_t, const char*, const char*);

/* ---- Exports ---------------------------------------------------------------------------------- */

uint32_t GetInterfaceVersion(void);
const char* GetModuleName(void);
uint32_t GetModuleVersion(void); /* bits 8-15 major, 0-7 minor */
uint32_t GetModuleID(void);
const char* GetModuleDescription(void);
const char* GetModuleCopyright(void);
const char* GetModuleAuthor(void);
const char* GetModuleURL(void);
const char* GetModuleFamily(void);
void Initialize(const kvbot_engine_table* engine);
void Deinitialize(void); /* optional */
void GetModuleInterface(kvbot_module_table* table);

#ifdef __cplusplus
}
#endif

#endif
