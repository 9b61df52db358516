#pragma once
// Our own declarations of the parts of the After Effects effect interface that Quorvane
// uses: the entry point's form and command codes, the command records, the parameter
// records per kind, the image record, the interaction and utility callbacks, the
// suite-access interface with the two suites we acquire, and the smart-render records.
// Only what the plug-ins and the host simulation exchange is declared. The plug-in side
// (adaptor, bound parameters, entry points) and the host simulation both include this file;
// nothing else in the framework does.

#include <cstdint>

extern "C" {

typedef std::int32_t A_long;
typedef std::uint32_t A_u_long;
typedef std::int16_t A_short;
typedef std::uint8_t A_u_char;
typedef std::uint16_t A_u_short;
typedef std::int32_t PF_Fixed;     // 16.16 fixed point
typedef double PF_FpLong;
typedef float PF_FpShort;
typedef A_long PF_Err;
typedef A_long PF_Cmd;
typedef A_long PF_ParamIndex;
typedef A_long PF_ParamValue;
typedef A_u_char PF_Boolean;
typedef A_long SPErr;

// Opaque host objects.
struct PF_ProgressInfo;
typedef PF_ProgressInfo* PF_ProgPtr;          // the effect reference
struct PF_HandleRecord;
typedef PF_HandleRecord* PF_Handle;           // a host memory handle

enum {
    PF_Cmd_ABOUT = 0,
    PF_Cmd_GLOBAL_SETUP = 1,
    PF_Cmd_GLOBAL_SETDOWN = 3,
    PF_Cmd_PARAMS_SETUP = 4,
    PF_Cmd_SEQUENCE_SETUP = 5,
    PF_Cmd_SEQUENCE_RESETUP = 6,
    PF_Cmd_SEQUENCE_FLATTEN = 7,
    PF_Cmd_SEQUENCE_SETDOWN = 8,
    PF_Cmd_FRAME_SETUP = 10,
    PF_Cmd_RENDER = 11,
    PF_Cmd_FRAME_SETDOWN = 12,
    PF_Cmd_USER_CHANGED_PARAM = 13,
    PF_Cmd_UPDATE_PARAMS_UI = 14,
    PF_Cmd_EVENT = 15,
    PF_Cmd_COMPLETELY_GENERAL = 17,
    PF_Cmd_ARBITRARY_CALLBACK = 22,
    PF_Cmd_SMART_PRE_RENDER = 23,
    PF_Cmd_SMART_RENDER = 24,
};

enum {
    PF_Err_NONE = 0,
    PF_Err_OUT_OF_MEMORY = 4,
    PF_Err_BAD_CALLBACK_PARAM = 516,   // a needed host service is missing
    PF_Interrupt_CANCEL = 517,         // the user stopped the render
};

// Application ids as four-character codes.
constexpr A_long PF_ApplId_AfterEffects = ('F' << 24) | ('X' << 16) | ('T' << 8) | 'C';
constexpr A_long PF_ApplId_Premiere = ('P' << 24) | ('r' << 16) | ('M' << 8) | 'r';

enum {
    PF_OutFlag_SEND_UPDATE_PARAMS_UI = 0x02000000,
    PF_OutFlag_DEEP_COLOR_AWARE = 0x04000000,
};
enum {
    PF_OutFlag2_SUPPORTS_SMART_RENDER = 0x00000400,
    PF_OutFlag2_FLOAT_COLOR_AWARE = 0x00001000,
    PF_OutFlag2_REVEALS_ZERO_ALPHA = 0x00000080,
};

enum { PF_WorldFlag_DEEP = 1 };                  // 16-bit world
enum { PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS = 1 };
enum { PF_Iterations_ONCE_PER_PROCESSOR = -1 };
enum { PF_Field_FRAME = 0 };
enum { PF_ChannelMask_ARGB = 15 };

enum PF_ParamType {
    PF_Param_LAYER = 0,
    PF_Param_SLIDER = 1,
    PF_Param_ANGLE = 3,
    PF_Param_CHECKBOX = 4,
    PF_Param_COLOR = 5,
    PF_Param_POINT = 6,
    PF_Param_POPUP = 7,
    PF_Param_FLOAT_SLIDER = 10,
    PF_Param_GROUP_START = 13,
    PF_Param_GROUP_END = 14,
};

enum {
    PF_ParamFlag_CANNOT_TIME_VARY = 1 << 1,
    PF_ParamFlag_COLLAPSE_TWIRLY = 1 << 5,
    PF_ParamFlag_SUPERVISE = 1 << 6,
};
enum { PF_PUI_DISABLED = 1 << 5 };
enum { PF_ChangeFlag_CHANGED_VALUE = 1 };
enum { PF_ValueDisplayFlag_PERCENT = 1, PF_ValueDisplayFlag_PIXEL = 2 };

struct PF_RationalScale {
    A_long num;
    A_u_long den;
};

struct PF_Point {
    A_long h;
    A_long v;
};

// Host rectangles run left, top, right, bottom.
struct PF_LRect {
    A_long left;
    A_long top;
    A_long right;
    A_long bottom;
};

struct PF_SpecVersion {
    A_short major;
    A_short minor;
};

struct PF_Pixel {
    A_u_char alpha, red, green, blue;
};
struct PF_Pixel16 {
    A_u_short alpha, red, green, blue;
};
struct PF_PixelFloat {
    PF_FpShort alpha, red, green, blue;
};

// An image: the layer of a layer parameter, the output world, a checked-out layer.
struct PF_LayerDef {
    A_long world_flags;      // PF_WorldFlag_DEEP for 16-bit
    void* data;              // top-left pixel; null when the layer has no pixels
    A_long rowbytes;
    A_long width;
    A_long height;
    PF_LRect extent_hint;
    PF_RationalScale pix_aspect_ratio;
    A_long origin_x;
    A_long origin_y;
    A_long dephault;         // registration only: the layer selected by default
};
typedef PF_LayerDef PF_EffectWorld;
enum { PF_LayerDefault_NONE = 0 };

struct PF_SliderDef {
    PF_ParamValue value;
    char value_str[32];
    char value_desc[32];
    PF_ParamValue valid_min, valid_max;
    PF_ParamValue slider_min, slider_max;
    PF_ParamValue dephault;
};

struct PF_FloatSliderDef {
    PF_FpLong value;
    PF_FpShort valid_min, valid_max;
    PF_FpShort slider_min, slider_max;
    PF_FpShort dephault;
    A_short precision;
    A_short display_flags;
    PF_FpShort curve_tolerance;
};

struct PF_AngleDef {
    PF_Fixed value;          // 16.16 fixed-point degrees
    PF_Fixed dephault;
};

struct PF_CheckBoxDef {
    PF_ParamValue value;
    PF_Boolean dephault;
    const char* nameptr;     // text beside the box
};

struct PF_ColorDef {
    PF_Pixel value;
    PF_Pixel dephault;
};

struct PF_PointDef {
    PF_Fixed x_value;        // layer pixels once set; registered as 16.16 percent of the layer
    PF_Fixed y_value;
    PF_Boolean restrict_bounds;
    PF_Fixed x_dephault;
    PF_Fixed y_dephault;
};

struct PF_PopupDef {
    PF_ParamValue value;
    A_short num_choices;
    A_short dephault;
    const char* namesptr;    // item texts joined with "| "
};

struct PF_ParamDef {
    union {
        PF_LayerDef ld;
        PF_SliderDef sd;
        PF_FloatSliderDef fs_d;
        PF_AngleDef ad;
        PF_CheckBoxDef bd;
        PF_ColorDef cd;
        PF_PointDef td;
        PF_PopupDef pd;
    } u;
    PF_ParamType param_type;
    char name[32];
    A_long flags;
    A_long ui_flags;
    A_long id;
    A_long change_flags;
};
typedef PF_ParamDef* PF_ParamDefPtr;
typedef PF_ParamDef** PF_ParamList;

struct PF_InteractCallbacks {
    PF_Err (*checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time,
                             A_long time_step, A_u_long time_scale, PF_ParamDef* param);
    PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
    PF_Err (*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def);
    PF_Err (*progress)(PF_ProgPtr effect_ref, A_long done, A_long total);
};

struct PF_ANSICallbacks {
    A_long (*sprintf)(char* buffer, const char* format, ...);
    char* (*strcpy)(char* destination, const char* source);
};

struct PF_UtilCallbacks {
    PF_Handle (*host_new_handle)(A_u_long bytes);   // 32-bit size, as the host declares it
    void* (*host_lock_handle)(PF_Handle handle);
    void (*host_unlock_handle)(PF_Handle handle);
    void (*host_dispose_handle)(PF_Handle handle);
    // Calls fn once per index on the host's threads; iterations PF_Iterations_ONCE_PER_PROCESSOR
    // calls it once on each of them.
    PF_Err (*iterate_generic)(A_long iterations, void* refcon,
                              PF_Err (*fn)(void* refcon, A_long thread_index, A_long index,
                                           A_long iterations));
    PF_ANSICallbacks ansi;
};

struct SPBasicSuite {
    SPErr (*AcquireSuite)(const char* name, A_long version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, A_long version);
};

constexpr const char* kPFParamUtilsSuite = "PF Param Utils Suite";
constexpr A_long kPFParamUtilsSuiteVersion1 = 1;
constexpr const char* kPFColorParamSuite = "PF ColorParamSuite";
constexpr A_long kPFColorParamSuiteVersion1 = 1;

struct PF_ParamUtilsSuite1 {
    PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex index,
                               const PF_ParamDef* def);
};

struct PF_ColorParamSuite1 {
    PF_Err (*PF_GetFloatingPointColorFromColorDef)(PF_ProgPtr effect_ref,
                                                   const PF_ParamDef* color_def,
                                                   PF_PixelFloat* colour);
};

struct PF_InData {
    PF_InteractCallbacks inter;
    PF_UtilCallbacks* utils;
    PF_ProgPtr effect_ref;
    PF_SpecVersion version;        // the effect interface version the host implements
    A_long appl_id;
    A_long num_params;
    A_long current_time;
    A_long time_step;
    A_long total_time;
    A_long local_time_step;
    A_u_long time_scale;
    A_long width;                  // the effect layer at full resolution
    A_long height;
    PF_RationalScale downsample_x;
    PF_RationalScale downsample_y;
    PF_RationalScale pixel_aspect_ratio;
    A_long output_origin_x;
    A_long output_origin_y;
    SPBasicSuite* pica_basicP;
};

struct PF_OutData {
    A_u_long my_version;
    A_long num_params;
    A_long out_flags;
    A_long out_flags2;
    PF_Point origin;
    char return_msg[256];
};

struct PF_UserChangedParamExtra {
    PF_ParamIndex param_index;
};

struct PF_RenderRequest {
    PF_LRect rect;
    A_long field;
    A_long channel_mask;
    PF_Boolean preserve_rgb_of_zero_alpha;
};

struct PF_CheckoutResult {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    PF_RationalScale par;
    A_long solid;
    A_long ref_width;
    A_long ref_height;
};

struct PF_PreRenderInput {
    PF_RenderRequest output_request;
    A_short bitdepth;
};

typedef void (*PF_DeletePreRenderDataFunc)(void* pre_render_data);

struct PF_PreRenderOutput {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    PF_Boolean solid;
    A_long flags;                  // PF_RenderOutputFlag_...
    void* pre_render_data;
    PF_DeletePreRenderDataFunc delete_pre_render_data_func;
};

struct PF_PreRenderCallbacks {
    PF_Err (*checkout_layer)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_id,
                             const PF_RenderRequest* request, A_long what_time, A_long time_step,
                             A_u_long time_scale, PF_CheckoutResult* result);
};

struct PF_PreRenderExtra {
    PF_PreRenderInput* input;
    PF_PreRenderOutput* output;
    PF_PreRenderCallbacks* cb;
};

struct PF_SmartRenderInput {
    PF_RenderRequest output_request;
    A_short bitdepth;
    void* pre_render_data;
};

struct PF_SmartRenderCallbacks {
    PF_Err (*checkout_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_id,
                                    PF_EffectWorld** pixels);
    PF_Err (*checkin_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_id);
    PF_Err (*checkout_output)(PF_ProgPtr effect_ref, PF_EffectWorld** output);
};

struct PF_SmartRenderExtra {
    PF_SmartRenderInput* input;
    PF_SmartRenderCallbacks* cb;
};

// The one exported function of every plug-in.
typedef PF_Err (*PF_EntryPointFunc)(PF_Cmd command, PF_InData* in_data, PF_OutData* out_data,
                                    PF_ParamDef* params[], PF_LayerDef* output, void* extra);

// Quorvane's own optional export beside EntryPointFunc, read by the standalone host:
// QuorvaneDescribeControls writes one line "id\tshortName\tkey\n" per control (the key in
// GBK bytes) into buffer (at most size bytes) and returns the length the whole text needs.
typedef int (*QuorvaneDescribeControlsFunc)(char* buffer, int size);

} // extern "C"
