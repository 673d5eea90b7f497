// passmark: the passes a frame is drawn in (sky, clouds, models, water, particles, text), marked
// where each begins, so that a tool can time them apart. Nothing is done unless a tool listens:
// a frame of the demo makes no extra call.
// uses: nothing
#pragma once

enum VH_Pass {
    VH_PASS_OTHER,     // clearing, intro pictures, fades, the swap
    VH_PASS_SKY,       // the sky dome or backdrop
    VH_PASS_CLOUDS,    // the cloud models of the air battle
    VH_PASS_MODELS,    // solid models (ground, buildings, vehicles, aircraft)
    VH_PASS_WATER,     // the water grid
    VH_PASS_PARTICLES, // particle groups: fire, fountain, trails, shots, tracers, smoke
    VH_PASS_FIGURES,   // scene one's flying figures and their glowing spheres
    VH_PASS_TEXT,      // the console, hint lines and the frame-time graph
    VH_PASS_COUNT
};

// Short names, as the capture tool writes them in its columns ("sky", "clouds", ...).
extern const char* const VH_PassNames[VH_PASS_COUNT];

// listener(pass) is called at each mark with the pass that begins there; null stops listening.
void VH_SetPassListener(void (*listener)(int pass));
void VH_BeginPass(int pass);
