// commands: the console's commands, registered once at start-up. Each reaches its effect
// through the owning module's functions: the sequence for next/goto/reload, the frame
// controls for speed/pause/step/fps/wire/shot, the managers for textures/meshes.
// uses: core, data, image, text, model, camera, shell
#pragma once

#include <string>

void VH_RegisterCommands();

// What `shot` and F12 do: asks for a screenshot of the next frame and answers in the console.
void VH_ShotCommand(const std::string& name);
