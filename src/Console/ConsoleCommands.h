#pragma once
// The functions the console's command map binds. Each handler reads its
// arguments (upper case, the command's name already taken off) with the
// console's readers; one that prints steps the output ring on first and
// writes its text into the fresh line. True is success: the console then
// reports the command as set; false adds "Function returned false".

#include <string>

#include "Console/LineRing.h"

bool ConTest();
bool ConQuit();
bool ConRestart(std::string& arguments, CLineRing& output);
bool ConSick(std::string& arguments, CLineRing& output);
bool ConAI(std::string& arguments, CLineRing& output);
bool ConSpawn(std::string& arguments, CLineRing& output);
bool ConCarColour(std::string& arguments, CLineRing& output);
bool ConCarColourIndex(std::string& arguments, CLineRing& output);
bool ConAllCarsColour(std::string& arguments, CLineRing& output);
bool ConCarSpecular(std::string& arguments, CLineRing& output);
bool ConCarPower(std::string& arguments, CLineRing& output);
bool ConAddColour(std::string& arguments, CLineRing& output);
bool ConSaveColours(std::string& arguments, CLineRing& output);
bool ConGravity(std::string& arguments, CLineRing& output);
bool ConGetPos(std::string& arguments, CLineRing& output);
bool ConGetPhysicInfo(std::string& arguments, CLineRing& output);
bool ConSetController(std::string& arguments, CLineRing& output);
bool ConSetHealth(std::string& arguments, CLineRing& output);
bool ConSetPos(std::string& arguments, CLineRing& output);
bool ConSetSpeed(std::string& arguments, CLineRing& output);
bool ConSetWarning(std::string& arguments, CLineRing& output);
bool ConGetSound(std::string& arguments, CLineRing& output);
bool ConSetVolume(std::string& arguments, CLineRing& output);
bool ConGetCameraInfo(std::string& arguments, CLineRing& output);

// The file GETCAMERAINFO appends to, in the cinema scripts' statements.
extern const char* const CAMERA_INFO_FILE;
