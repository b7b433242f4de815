// Every text the game prints. Line lengths are part of the screen layout (the compass,
// the clock and the end-of-program prompt share rows with these texts), so each text is
// checked against its length at compile time.
#pragma once

#include <cstddef>
#include <string_view>

namespace game::text {

using std::string_view;

// A line of text that must be exactly `length` characters long.
template <std::size_t N>
constexpr bool has_length(const char (&line)[N], std::size_t length) {
  return N - 1 == length;
}

// ---- introduction -----------------------------------------------------------------
inline constexpr char kIntro1[] =
    "Long ago a world was made by man and given life by a god who loved it so.";
inline constexpr char kIntro2[] =
    "Tonight that world faces a being of pure evil, come out of the dark fen.";
inline constexpr char kIntro3[] =
    "Go venture into the ruined streets of the small farming town, Marrowick,";
inline constexpr char kIntro4[] = "and win back the normal life you once had.";
static_assert(has_length(kIntro1, 73) && has_length(kIntro2, 72) &&
              has_length(kIntro3, 72) && has_length(kIntro4, 42));

// ---- turn header ------------------------------------------------------------------
inline constexpr char kTitleRow[] =
    "                            Marrowick                           ";
inline constexpr char kCreditCaption[] =
    "                                 A TALE OF THE HARVEST NIGHT              ";
inline constexpr char kCreditAuthor[] = "                                Wendeline Ashgrove";
inline constexpr char kCreditThird[] = "                             Written for the Lantern Jam";
static_assert(has_length(kTitleRow, 64) && kTitleRow[28] == 'M');
static_assert(has_length(kCreditCaption, 74) && kCreditCaption[32] == ' ' &&
              kCreditCaption[33] != ' ');
static_assert(kCreditAuthor[31] == ' ' && kCreditAuthor[32] != ' ' &&
              sizeof(kCreditAuthor) - 1 <= 80);
static_assert(kCreditThird[28] == ' ' && kCreditThird[29] != ' ' &&
              sizeof(kCreditThird) - 1 <= 80);
inline constexpr int kHeaderBlankWidth = 74;

// ---- compass ----------------------------------------------------------------------
inline constexpr int kCompassIndent = 38;
inline constexpr char kCompassWestArm[] = "*---------------------------------* ";
inline constexpr char kCompassHub[] = " + ";
inline constexpr char kCompassEastArm[] = " *------------------------------------*";
// The middle row fills the 80 columns exactly: W in column 37, + in 39, E in 41.
static_assert(sizeof(kCompassWestArm) - 1 + 1 + sizeof(kCompassHub) - 1 + 1 +
                  sizeof(kCompassEastArm) - 1 ==
              80);
inline constexpr char kNorth[] = "NORTH";
inline constexpr char kEast[] = "EAST";
inline constexpr char kSouth[] = "SOUTH";
inline constexpr char kWest[] = "WEST";

inline constexpr char kHint[] = "If you are stuck just type HELP.";
inline constexpr char kPrompt[] = "> ";

// ---- exits, by location -----------------------------------------------------------
inline constexpr string_view kExits[9] = {
    "SOUTH",         "NORTH, SOUTH, OR EAST", "WEST",
    "NORTH OR WEST", "EAST OR SOUTH",         "NORTH OR EAST",
    "WEST OR EAST",  "NORTH OR WEST",         "SOUTH",
};

// ---- location texts ---------------------------------------------------------------
inline constexpr char kStreet1a[] = "The smell of death hangs over the main street of the old town.";
inline constexpr char kStreet1b[] = "The once peaceful town is now a graveyard.";
inline constexpr char kStreet2[] = "An eerie silence settles over the empty lane.";
inline constexpr char kStreet3a[] =
    "The faint scream of a beast carries on the dusk air from the east.";
inline constexpr char kStreet3b[] = "Whatever did this can smell you now.";
inline constexpr char kStreet4a[] = "There is not a soul in sight for miles along the broken roads.";
inline constexpr char kStreet4b[] = "A dead place, with you its only soul.";
inline constexpr char kStreet5a[] =
    "The dead silence of the street fills you with a cold, sick fear.";
inline constexpr char kStreet5b[] =
    "Why is this monster here? Who made it, and for what dark purposes?";
inline constexpr char kStreet5c[] = "And why did it pick this quiet town of all towns?";
inline constexpr char kStreet6a[] =
    "You cross the silent street that was once the life line of the town,";
inline constexpr char kStreet6b[] = "where the townsfolk traded.";
inline constexpr char kStreet7a[] =
    "A normal life was all you ever wanted, and now it is gone for good.";
inline constexpr char kStreet7b[] = "Every step brings death or a way out...";
inline constexpr char kStreet8a[] =
    "You stand in fear and disgust before the monster, so close that you";
inline constexpr char kStreet8b[] =
    "can smell the thing that brought death to the town you once loved.";
inline constexpr char kStreet9[] = "A dead end: a brick wall and heaps of old garbage.";
static_assert(has_length(kStreet1a, 62) && has_length(kStreet1b, 42));
static_assert(has_length(kStreet2, 45));
static_assert(has_length(kStreet3a, 66) && has_length(kStreet3b, 36));
static_assert(has_length(kStreet4a, 62) && has_length(kStreet4b, 37));
static_assert(has_length(kStreet5a, 64) && has_length(kStreet5b, 66) &&
              has_length(kStreet5c, 49));
static_assert(has_length(kStreet6a, 68) && has_length(kStreet6b, 27));
static_assert(has_length(kStreet7a, 67) && has_length(kStreet7b, 39));
static_assert(has_length(kStreet8a, 67) && has_length(kStreet8b, 66));
static_assert(has_length(kStreet9, 50));

// ---- command words ----------------------------------------------------------------
inline constexpr char kEnd[] = "END";
inline constexpr char kQuit[] = "QUIT";
inline constexpr char kExit[] = "EXIT";
inline constexpr char kQ[] = "Q";
inline constexpr char kHelp[] = "HELP";
inline constexpr char kH[] = "H";
inline constexpr char kInventory[] = "INVENTORY";
inline constexpr char kInv[] = "INV";
inline constexpr char kItems[] = "ITEMS";
inline constexpr char kI[] = "I";
inline constexpr char kGoNorth[] = "GO NORTH";
inline constexpr char kN[] = "N";
inline constexpr char kGoEast[] = "GO EAST";
inline constexpr char kE[] = "E";
inline constexpr char kGoSouth[] = "GO SOUTH";
inline constexpr char kS[] = "S";
inline constexpr char kGoWest[] = "GO WEST";
inline constexpr char kW[] = "W";
inline constexpr char kUseCrowbar[] = "USE CROWBAR";
inline constexpr char kExamineMonster[] = "EXAMINE MONSTER";
inline constexpr char kExamineCrowbar[] = "EXAMINE CROWBAR";
inline constexpr char kRunHome[] = "RUN HOME";

// ---- help screen ------------------------------------------------------------------
inline constexpr char kHelpTitle[] = "HERE ARE SOME BASIC COMMANDS THAT CAN BE USED IN THE GAME...";
inline constexpr char kHelpMove[] = "NORTH, EAST ,SOUTH, AND WEST - MOVE TO AN AVAILABLE LOCATION";
inline constexpr char kHelpExamine[] = "EXAMINE (OBJECT)             - EXAMINE AN OBJECT";
inline constexpr char kHelpUse[] = "USE (OBJECT)                 - USE AN OBJECT";
inline constexpr char kHelpTake[] = "TAKE (OBJECT)                - TAKE OR MOVE AN OBJECT";
inline constexpr char kHelpInventory[] = "INVENTORY                    - VIEW YOUR INVENTORY";
inline constexpr char kHelpDrink[] = "DRINK                        - DRINK BEER";
inline constexpr char kHelpUnlock[] = "UNLOCK                       - UNLOCK DOOR";
inline constexpr char kHelpHelp[] = "HELP                         - VIEW THIS SCREEN";
inline constexpr char kHelpEnd[] = "END                          - END GAME";
inline constexpr char kPressAnyKey[] = "PRESS ANY KEY...";
// The dash of every command line stands in column 30.
static_assert(kHelpMove[29] == '-' && kHelpExamine[29] == '-' && kHelpUse[29] == '-' &&
              kHelpTake[29] == '-' && kHelpInventory[29] == '-' && kHelpDrink[29] == '-' &&
              kHelpUnlock[29] == '-' && kHelpHelp[29] == '-' && kHelpEnd[29] == '-');

// ---- inventory and examine screens -------------------------------------------------
inline constexpr char kInventoryTitle[] = "INVENTORY...";
inline constexpr char kInventoryCrowbar[] = "A rusted old crowbar.";
inline constexpr char kOnWhat[] = "On what?";
inline constexpr char kMonster1[] =
    "A monster made of long green vines, with a pumpkin for a head and an";
inline constexpr char kMonster2[] =
    "evil grin carved in it. Why it exists is beyond you, but you do know";
inline constexpr char kMonster3[] = "what you must do before this night is over and it moves on.";
inline constexpr char kCrowbar1[] =
    "A crowbar, once yellow and made decades ago, left out in the rain,";
inline constexpr char kCrowbar2[] = "and now covered in a layer of rust...";
static_assert(has_length(kMonster1, 68) && has_length(kMonster2, 68) &&
              has_length(kMonster3, 59));
static_assert(has_length(kCrowbar1, 66) && has_length(kCrowbar2, 37));

// ---- endings ----------------------------------------------------------------------
inline constexpr char kClockPicture[] = " ###:##.###";
static_assert(has_length(kClockPicture, 11));

inline constexpr char kTimeOut1[] =
    "You remain in the ruins of the town. The creature has vanished and begun";
inline constexpr char kTimeOut2[] =
    "its trek to the next town. All is lost for humanity, or so you think...";
static_assert(has_length(kTimeOut1, 72) && has_length(kTimeOut2, 71));

inline constexpr char kWin1[] = "You walk home through the ruins of the town you loved, the";
inline constexpr char kWin2[] = "town that is no more. At first light you pack what is left of";
inline constexpr char kWin3[] = "your life and set out for the next town to start over.";
static_assert(has_length(kWin1, 58) && has_length(kWin2, 61) && has_length(kWin3, 54));

inline constexpr char kDeath1[] =
    "You turned your back just a moment. The creature sliced you in two.";
inline constexpr char kDeath2[] =
    "For a moment there is no pain, and the thought of a Sunday dinner";
inline constexpr char kDeath3[] =
    "with the family warms your heart. Then, very slowly, it all fades to";
inline constexpr char kDeath4[] = "black.";
static_assert(has_length(kDeath1, 67) && has_length(kDeath2, 65) && has_length(kDeath3, 68) &&
              has_length(kDeath4, 6));

}  // namespace game::text
