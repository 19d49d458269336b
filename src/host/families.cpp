#include "host/families.h"

#include "audio/sound.h"
#include "audio/music/music.h"
#include "core/family.h"
#include "display2d/bitmaps.h"
#include "display2d/console.h"
#include "display2d/display.h"
#include "display2d/drawing.h"
#include "display2d/refresh.h"
#include "display2d/text.h"
#include "engine3d/animation.h"
#include "engine3d/collision.h"
#include "engine3d/engine3d.h"
#include "engine3d/objects.h"
#include "input/input.h"
#include "services/checklist.h"
#include "services/files.h"
#include "services/switches.h"
#include "sprites/sprites.h"
#include "video/video.h"

namespace zt {

namespace {

const std::span<const CommandRow> Families[] = {
    ControlRows,   OperatorRows,   ConsoleRows,   KeyboardRows, MouseRows,   StringRows,
    MathRows,      ArrayRows,      ChecklistRows, SwitchRows,   ArrayFileRows, FileRows,
    FileSystemRows, DirectoryRows, DisplayRows,   BitmapRows,   RefreshRows, DrawingRows,
    TextRows,      JoystickRows,   ControlDeviceRows, ForceRows,
    ImageRows,     SpriteRows,     CollisionRows, AnimationRows,
    SoundRows,     SoundPlayRows,  SoundValueRows, Sound3DRows, SpeechRows,
    MusicRows,
    SceneRows,     CameraRows,     LightRows,   ValueRows, ObjectAnimationRows,
    ObjectRows,    MeshRows,       LimbRows,    TransformRows, AppearanceRows, ObjectQueryRows, CurveRows,
    MatrixRows,    ObjectCollisionRows, ThreeDsRows,
    PlacementRows,
};

const std::span<const RecordRow> RecordFamilies[] = {BitmapRecords, DrawingRecords, TextRecords, ImageRecords,
                                                     SpriteRecords, CameraRecords};

}  // namespace

std::span<const std::span<const CommandRow>> commandFamilies() { return Families; }

std::span<const std::span<const RecordRow>> recordFamilies() { return RecordFamilies; }

}  // namespace zt
