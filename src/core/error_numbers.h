// The error numbers commands and the host raise, one name each. Which message slot a
// number shows, and whether it is soft (ignored while the program runs), is decided by the
// tables in core/errors.cpp.
#pragma once

#include <cstdint>

namespace zt {

inline constexpr int32_t ErrProgramStopped = 21;  // STOP
inline constexpr int32_t ErrOutOfMemory = 101;
inline constexpr int32_t ErrArrayIndex = 102;
inline constexpr int32_t ErrFileFailed = 104;
inline constexpr int32_t ErrFileNotFound = 105;
inline constexpr int32_t ErrFileExists = 106;
inline constexpr int32_t ErrStringTooLong = 107;
inline constexpr int32_t ErrCallDepth = 108;
inline constexpr int32_t ErrNoArray = 109;
inline constexpr int32_t ErrCameraFar = 110;
inline constexpr int32_t ErrDivideByZero = 111;
inline constexpr int32_t ErrSyncRate = 112;
inline constexpr int32_t ErrRandomLimit = 113;
inline constexpr int32_t ErrIncOperand = 114;
inline constexpr int32_t ErrDecOperand = 115;

inline constexpr int32_t ErrSpriteNumber = 301;
inline constexpr int32_t ErrNoSprite = 302;
inline constexpr int32_t ErrBackSaveFlag = 303;
inline constexpr int32_t ErrTransparencyFlag = 304;
inline constexpr int32_t ErrSpriteScale = 311;
inline constexpr int32_t ErrSpriteSize = 312;

inline constexpr int32_t ErrImageGrab = 500;
inline constexpr int32_t ErrImageNumber = 501;
inline constexpr int32_t ErrNoImage = 502;
inline constexpr int32_t ErrGrabOutside = 503;
inline constexpr int32_t ErrGrabEmpty = 504;

inline constexpr int32_t ErrBitmapBlit = 1000;
inline constexpr int32_t ErrBitmapNumber = 1001;
inline constexpr int32_t ErrNoBitmap = 1002;
inline constexpr int32_t ErrBitmapLoad = 1003;
inline constexpr int32_t ErrBitmapSave = 1004;
inline constexpr int32_t ErrBitmapCreate = 1005;
inline constexpr int32_t ErrDeleteScreen = 1006;
inline constexpr int32_t ErrCopyOntoItself = 1007;
inline constexpr int32_t ErrDestinationSmall = 1008;
inline constexpr int32_t ErrCreateScreen = 1009;
inline constexpr int32_t ErrRegionOutside = 1010;
inline constexpr int32_t ErrRegionEmpty = 1011;
inline constexpr int32_t ErrBlurValue = 1012;
inline constexpr int32_t ErrFadeValue = 1013;
inline constexpr int32_t ErrGammaValue = 1014;

inline constexpr int32_t ErrModeSize = 1501;
inline constexpr int32_t ErrModeDepth = 1502;
inline constexpr int32_t ErrModeWarning = 1503;  // soft
inline constexpr int32_t ErrDisplayBuild = 1504;

inline constexpr int32_t ErrAnimationNumber = 2001;
inline constexpr int32_t ErrAnimationLoad = 2002;
inline constexpr int32_t ErrNoAnimation = 2004;
inline constexpr int32_t ErrAnimationStart = 2007;   // soft
inline constexpr int32_t ErrAnimationClosed = 2008;  // soft
inline constexpr int32_t ErrAnimationPaused = 2009;  // soft
inline constexpr int32_t ErrAnimationResume = 2010;  // soft
inline constexpr int32_t ErrSoundNumber = 3001;
inline constexpr int32_t ErrSoundLoad = 3002;  // soft
inline constexpr int32_t ErrSpeechTargetExists = 3003;
inline constexpr int32_t ErrNoSound = 3004;  // soft
inline constexpr int32_t ErrSoundVolume = 3005;
inline constexpr int32_t ErrSoundSpeed = 3006;
inline constexpr int32_t ErrSoundPan = 3007;
inline constexpr int32_t ErrSoundClone = 3021;
inline constexpr int32_t ErrNoCloneSource = 3022;
inline constexpr int32_t ErrCloneOntoItself = 3023;
inline constexpr int32_t ErrSpeech = 3201;  // soft

inline constexpr int32_t ErrMusicNumber = 3501;
inline constexpr int32_t ErrMusicOpen = 3502;        // soft
inline constexpr int32_t ErrNoMusic = 3504;          // soft
inline constexpr int32_t ErrMusicVolume = 3505;
inline constexpr int32_t ErrMusicSpeed = 3506;
inline constexpr int32_t ErrMusicNotPlaying = 3507;  // soft


inline constexpr int32_t ErrMeshNumber = 7001;
inline constexpr int32_t ErrMeshLoad = 7002;
inline constexpr int32_t ErrNoMesh = 7003;
inline constexpr int32_t ErrObjectNumber = 7006;
inline constexpr int32_t ErrObjectExists = 7007;
inline constexpr int32_t ErrNoObject = 7008;
inline constexpr int32_t ErrMatrixExists = 7009;
inline constexpr int32_t ErrMatrixNumber = 7010;
inline constexpr int32_t ErrMatrixSize = 7011;
inline constexpr int32_t ErrMatrixSegments = 7012;
inline constexpr int32_t ErrNoMatrix = 7013;
inline constexpr int32_t ErrRandomizeHeight = 7014;
inline constexpr int32_t ErrMatrixTooManyTiles = 7015;
inline constexpr int32_t ErrMatrixTile = 7016;
inline constexpr int32_t ErrMatrixGridPoint = 7017;
inline constexpr int32_t ErrObjectLoad = 7018;
inline constexpr int32_t ErrAngle = 7019;
inline constexpr int32_t ErrLimbNumber = 7021;
inline constexpr int32_t ErrAddLimbNumber = 7022;
inline constexpr int32_t ErrNoLimb = 7023;
inline constexpr int32_t ErrLimbExists = 7024;
inline constexpr int32_t ErrLinkLimb = 7025;
inline constexpr int32_t ErrLimbOrder = 7026;
inline constexpr int32_t ErrLimbLinked = 7027;
inline constexpr int32_t ErrMeshFromObject = 7028;
inline constexpr int32_t ErrObjectExtension = 7101;
inline constexpr int32_t ErrObjectConversion = 7102;
inline constexpr int32_t ErrLightNumber = 7301;
inline constexpr int32_t ErrLightInUse = 7302;
inline constexpr int32_t ErrNoLight = 7303;
inline constexpr int32_t ErrDeleteDefaultLight = 7305;
inline constexpr int32_t ErrNoObjectAnimation = 7601;
inline constexpr int32_t ErrObjectFrame = 7602;
inline constexpr int32_t ErrObjectSpeed = 7603;
inline constexpr int32_t ErrObjectInterpolation = 7604;
inline constexpr int32_t ErrAppendAnimation = 7605;
inline constexpr int32_t ErrAppendStart = 7606;
inline constexpr int32_t ErrNoFog = 7901;
inline constexpr int32_t ErrAmbientPercent = 7911;
inline constexpr int32_t ErrCameraRange = 7912;
inline constexpr int32_t ErrConvertSource = 7931;
inline constexpr int32_t ErrConvertDestination = 7932;

inline constexpr int32_t ErrNoSuchControlDevice = 4001;  // soft
inline constexpr int32_t ErrNoControlDevice = 4002;      // soft
inline constexpr int32_t ErrNoForceFeedback = 4101;      // soft
inline constexpr int32_t ErrForceMagnitude = 4102;
inline constexpr int32_t ErrForceDuration = 4103;
inline constexpr int32_t ErrForceAngle = 4104;

inline constexpr int32_t ErrNothingFound = 8001;
inline constexpr int32_t ErrSearchExhausted = 8002;  // soft
inline constexpr int32_t ErrChangeDirectory = 8003;
inline constexpr int32_t ErrMakeFile = 8021;
inline constexpr int32_t ErrDeleteFile = 8022;
inline constexpr int32_t ErrRenameFile = 8024;
inline constexpr int32_t ErrMoveFile = 8025;
inline constexpr int32_t ErrMakeDirectory = 8101;
inline constexpr int32_t ErrDeleteDirectory = 8102;
inline constexpr int32_t ErrExecuteFile = 8103;
inline constexpr int32_t ErrOpenRead = 8201;
inline constexpr int32_t ErrOpenWrite = 8202;
inline constexpr int32_t ErrFileAlreadyOpen = 8203;
inline constexpr int32_t ErrFileNotOpen = 8204;
inline constexpr int32_t ErrFileRead = 8211;
inline constexpr int32_t ErrFileWrite = 8212;
inline constexpr int32_t ErrFileNumber = 8213;

inline constexpr int32_t ErrChecklistIndexRange = 9001;
inline constexpr int32_t ErrChecklistIndexBeyondCount = 9002;
inline constexpr int32_t ErrChecklistNoStrings = 9003;
inline constexpr int32_t ErrChecklistNoValues = 9004;
inline constexpr int32_t ErrNoChecklist = 9005;
inline constexpr int32_t ErrCardWarning = 9011;  // soft

inline constexpr int32_t ErrWindowCreation = 10002;
inline constexpr int32_t ErrFullScreen = 10004;
inline constexpr int32_t ErrSurfaces = 10005;
inline constexpr int32_t ErrInputDevices = 10007;
inline constexpr int32_t ErrLanguageNotFound = 10008;
}  // namespace zt
