// The Marrowick script. Each statement carries the line number the error dialog reports
// for it; a statement ends with the after-statement step of that line.
#include "game/script.h"

#include "game/game_state.h"
#include "game/statements.h"
#include "game/texts.h"
#include "runtime/core/program.h"
#include "runtime/screen/screen_state.h"
#include "runtime/screen/text_output.h"
#include "runtime/strings/string_ops.h"
#include "runtime/strings/string_storage.h"
#include "runtime/strings/timing.h"

namespace game {

namespace {

namespace t = text;

constexpr int32_t kGraphicsMode = 12;  // 640 x 480, 16 colours, 80 x 30 text cells
constexpr int32_t kScreenModeGiven = 1;
constexpr uint32_t kLightGrey = 7;
constexpr uint32_t kGreen = 2;
constexpr uint32_t kBlack = 0;
constexpr int32_t kColoursGiven = rt::COLOR_FOREGROUND_GIVEN | rt::COLOR_BACKGROUND_GIVEN;

GameState& g = game_state();

void cls() { rt::clear_screen(0, 0, 0); }
StringValue* spaces(int32_t count) { return rt::string_spaces(count); }
bool exits_name(const char* direction) {
  return rt::string_find(0, exit_text(g.location), literal(std::string_view(direction)), false) != 0;
}
bool command_is(std::string_view word) { return equals(g.command, word); }

void describe_location();
void command_step();
void street_1();
void street_2();
void street_3();
void street_4();
void street_5();
void street_6();
void street_7();
void street_8();
void street_9();

}  // namespace

void script_body() {
  allocate_game_state();
  begin_statements();

  /*   1 */ assign(g.location, 1);                                          after_statement(1);
  /*   3 */ assign(g.has_crowbar, 1);                                       after_statement(3);
  /*   6 */ rt::set_screen_mode(kGraphicsMode, 0, 0, 0, 0, kScreenModeGiven); after_statement(6);
  /*   7 */ rt::set_color(kLightGrey, kBlack, 0, kColoursGiven);           after_statement(7);
  /*   8 */ cls();                                                          after_statement(8);
  /*  11 */ assign(g.time_limit_minutes, 10);                               after_statement(11);
  /*  12 */ assign(g.time_limit_seconds, 0);                                after_statement(12);
  /*  13 */ assign(g.time_limit_total, g.time_limit_minutes * 60 + g.time_limit_seconds);
                                                                            after_statement(13);
  /*  16 */ assign_exit(1, literal(t::kExits[0]));                          after_statement(16);
  /*  17 */ assign_exit(2, literal(t::kExits[1]));                          after_statement(17);
  /*  18 */ assign_exit(3, literal(t::kExits[2]));                          after_statement(18);
  /*  19 */ assign_exit(4, literal(t::kExits[3]));                          after_statement(19);
  /*  20 */ assign_exit(5, literal(t::kExits[4]));                          after_statement(20);
  /*  21 */ assign_exit(6, literal(t::kExits[5]));                          after_statement(21);
  /*  22 */ assign_exit(7, literal(t::kExits[6]));                          after_statement(22);
  /*  23 */ assign_exit(8, literal(t::kExits[7]));                          after_statement(23);
  /*  24 */ assign_exit(9, literal(t::kExits[8]));                          after_statement(24);
  /*  26 */ print_empty_line();                                             after_statement(26);
  /*  27 */ print_empty_line();                                             after_statement(27);
  /*  28 */ print_line(literal(t::kIntro1));                                after_statement(28);
  /*  29 */ print_line(literal(t::kIntro2));                                after_statement(29);
  /*  30 */ print_line(literal(t::kIntro3));                                after_statement(30);
  /*  31 */ print_line(literal(t::kIntro4));                                after_statement(31);
  /*  32 */ print_empty_line();                                             after_statement(32);
  // A key already waiting (typed during start-up) ends the introduction at once.
  /*  34 */ wait_for_key(34);
  // The countdown starts when the introduction is left, not when the program starts.
  /*  35 */ assign(g.deadline, rt::read_timer(0.001, true) + g.time_limit_total);
                                                                            after_statement(35);
turn_start:
  /*  38 */ cls();                                                          after_statement(38);
  /*  39 */ print_empty_line();                                             after_statement(39);
  /*  40 */ print_empty_line();                                             after_statement(40);
  /*  41 */ print_line(spaces(t::kHeaderBlankWidth));                      after_statement(41);
  /*  42 */ print_line(spaces(t::kHeaderBlankWidth));                      after_statement(42);
  /*  43 */ print_line(spaces(t::kHeaderBlankWidth));                      after_statement(43);
  /*  44 */ print_line(literal(t::kTitleRow));                              after_statement(44);
  /*  45 */ print_line(spaces(t::kHeaderBlankWidth));                      after_statement(45);
  /*  46 */ print_line(literal(t::kCreditCaption));                         after_statement(46);
  /*  47 */ print_line(spaces(t::kHeaderBlankWidth));                      after_statement(47);
  /*  48 */ print_line(literal(t::kCreditAuthor));                          after_statement(48);
  /*  49 */ print_empty_line();                                             after_statement(49);
  /*  50 */ print_line(literal(t::kCreditThird));                           after_statement(50);
  /*  51 */ print_empty_line();                                             after_statement(51);
  /*  52 */ print_part(spaces(t::kCompassIndent));                          after_statement(52);
  /*  53 */ if (when(exits_name(t::kNorth))) { print_line(literal("N")); } else { print_empty_line(); }
                                                                            after_statement(53);
  /*  54 */ print_part(literal(t::kCompassWestArm));                        after_statement(54);
  /*  55 */ if (when(exits_name(t::kWest))) { print_part(literal("W")); } else { print_part(literal(" ")); }
                                                                            after_statement(55);
  /*  56 */ print_part(literal(t::kCompassHub));                            after_statement(56);
  /*  57 */ if (when(exits_name(t::kEast))) { print_part(literal("E")); } else { print_part(literal(" ")); }
                                                                            after_statement(57);
  // The row ends exactly in column 80: its line end is the one the full row already owes.
  /*  58 */ print_line(literal(t::kCompassEastArm));                        after_statement(58);
  /*  59 */ print_part(spaces(t::kCompassIndent));                          after_statement(59);
  /*  60 */ if (when(exits_name(t::kSouth))) { print_line(literal("S")); } else { print_empty_line(); }
                                                                            after_statement(60);
  /*  61 */ print_empty_line();                                             after_statement(61);
  /*  62 */ print_line(literal(t::kHint));                                  after_statement(62);
  /*  63 */ print_empty_line();                                             after_statement(63);
  /*  64 */ gosub(kDescribeReturnPoint, describe_location);                after_statement(64);
  /*  65 */ gosub(kCommandStepReturnPoint, command_step);                   after_statement(65);
  /*  66 */ goto turn_start;
}

namespace {

void describe_location() {
  /*  69 */ if (when(g.location == 1)) gosub(kFirstStreetReturnPoint + 0, street_1);  after_statement(69);
  /*  70 */ if (when(g.location == 2)) gosub(kFirstStreetReturnPoint + 1, street_2);  after_statement(70);
  /*  71 */ if (when(g.location == 3)) gosub(kFirstStreetReturnPoint + 2, street_3);  after_statement(71);
  /*  72 */ if (when(g.location == 4)) gosub(kFirstStreetReturnPoint + 3, street_4);  after_statement(72);
  /*  73 */ if (when(g.location == 5)) gosub(kFirstStreetReturnPoint + 4, street_5);  after_statement(73);
  /*  74 */ if (when(g.location == 6)) gosub(kFirstStreetReturnPoint + 5, street_6);  after_statement(74);
  /*  75 */ if (when(g.location == 7)) gosub(kFirstStreetReturnPoint + 6, street_7);  after_statement(75);
  /*  76 */ if (when(g.location == 8)) gosub(kFirstStreetReturnPoint + 7, street_8);  after_statement(76);
  /*  77 */ if (when(g.location == 9)) gosub(kFirstStreetReturnPoint + 8, street_9);  after_statement(77);
  /*  79 */ return_from_subroutine(79);
}

void command_step() {
  /*  82 */ print_part(literal(t::kPrompt));                                after_statement(82);
  /*  83 */ assign(g.command, timed_reader());                              after_statement(83);
  /*  84 */ assign(g.command, rt::string_trim_left(rt::string_trim_right(rt::string_upper(g.command))));
                                                                            after_statement(84);
  /*  85 */ if (when(command_is(t::kEnd) | command_is(t::kQuit) | command_is(t::kExit) |
                     command_is(t::kQ))) {                                  after_statement(85);
  /*  86 */   rt::end_program();
            } else {                                                        after_statement(85); }
  /*  88 */ if (when(command_is(t::kHelp) | command_is(t::kH))) {           after_statement(88);
  /*  89 */   cls();                                                        after_statement(89);
  /*  90 */   print_line(literal(t::kHelpTitle));                           after_statement(90);
  /*  91 */   print_empty_line();                                           after_statement(91);
  /*  92 */   print_line(literal(t::kHelpMove));                            after_statement(92);
  /*  93 */   print_line(literal(t::kHelpExamine));                         after_statement(93);
  /*  94 */   print_line(literal(t::kHelpUse));                             after_statement(94);
  /*  95 */   print_line(literal(t::kHelpTake));                            after_statement(95);
  /*  96 */   print_line(literal(t::kHelpInventory));                       after_statement(96);
  /*  97 */   print_line(literal(t::kHelpDrink));                           after_statement(97);
  /*  98 */   print_line(literal(t::kHelpUnlock));                          after_statement(98);
  /*  99 */   print_line(literal(t::kHelpHelp));                            after_statement(99);
  /* 100 */   print_line(literal(t::kHelpEnd));                             after_statement(100);
  /* 101 */   print_empty_line();                                           after_statement(101);
  /* 102 */   print_line(literal(t::kPressAnyKey));                         after_statement(102);
  // One key ends the sleep, the drain throws away what came with it, a second key leaves.
  /* 103 */   rt::sleep_until_key(0, false);                                after_statement(103);
  /* 104 */   drain_keys(104); wait_for_key(104);
            } else {                                                        after_statement(88); }
  /* 106 */ if (when(command_is(t::kInventory) | command_is(t::kInv) | command_is(t::kItems) |
                     command_is(t::kI))) {                                  after_statement(106);
  /* 107 */   cls();                                                        after_statement(107);
  /* 108 */   print_line(literal(t::kInventoryTitle));                      after_statement(108);
  /* 109 */   print_empty_line();                                           after_statement(109);
  /* 110 */   if (when(g.has_crowbar == 1)) print_line(literal(t::kInventoryCrowbar));
                                                                            after_statement(110);
  /* 111 */   print_empty_line();                                           after_statement(111);
  /* 112 */   print_line(literal(t::kPressAnyKey));                         after_statement(112);
  /* 113 */   drain_keys(113);
  /* 114 */   wait_for_key(114);
            } else {                                                        after_statement(106); }
  // A move leaves the command step at once, so one command moves at most one step.
  /* 116 */ if (when(command_is(t::kGoNorth) | command_is(t::kNorth) | command_is(t::kN))) {
                                                                            after_statement(116);
  /* 117 */   if (when(g.location == 8)) { assign(g.location, 9); after_statement(117); goto moved; }
                                                                            after_statement(117);
  /* 118 */   if (when(g.location == 6)) { assign(g.location, 5); after_statement(118); goto moved; }
                                                                            after_statement(118);
  /* 119 */   if (when(g.location == 4)) { assign(g.location, 2); after_statement(119); goto moved; }
                                                                            after_statement(119);
  /* 120 */   if (when(g.location == 2)) { assign(g.location, 1); after_statement(120); goto moved; }
                                                                            after_statement(120);
            } else {                                                        after_statement(116); }
  /* 122 */ if (when(command_is(t::kGoEast) | command_is(t::kEast) | command_is(t::kE))) {
                                                                            after_statement(122);
  /* 123 */   if (when(g.location == 2)) { assign(g.location, 3); after_statement(123); goto moved; }
                                                                            after_statement(123);
  /* 124 */   if (when(g.location == 5)) { assign(g.location, 4); after_statement(124); goto moved; }
                                                                            after_statement(124);
  /* 125 */   if (when(g.location == 6)) { assign(g.location, 7); after_statement(125); goto moved; }
                                                                            after_statement(125);
  /* 126 */   if (when(g.location == 7)) { assign(g.location, 8); after_statement(126); goto moved; }
                                                                            after_statement(126);
            } else {                                                        after_statement(122); }
  /* 128 */ if (when(command_is(t::kGoSouth) | command_is(t::kSouth) | command_is(t::kS))) {
                                                                            after_statement(128);
  /* 129 */   if (when(g.location == 1)) { assign(g.location, 2); after_statement(129); goto moved; }
                                                                            after_statement(129);
  /* 130 */   if (when(g.location == 2)) { assign(g.location, 4); after_statement(130); goto moved; }
                                                                            after_statement(130);
  /* 131 */   if (when(g.location == 5)) { assign(g.location, 6); after_statement(131); goto moved; }
                                                                            after_statement(131);
  /* 132 */   if (when(g.location == 9)) { assign(g.location, 8); after_statement(132); goto moved; }
                                                                            after_statement(132);
            } else {                                                        after_statement(128); }
  /* 134 */ if (when(command_is(t::kGoWest) | command_is(t::kWest) | command_is(t::kW))) {
                                                                            after_statement(134);
  /* 135 */   if (when(g.location == 3)) { assign(g.location, 2); after_statement(135); goto moved; }
                                                                            after_statement(135);
  /* 136 */   if (when(g.location == 4)) { assign(g.location, 5); after_statement(136); goto moved; }
                                                                            after_statement(136);
  /* 137 */   if (when(g.location == 8)) { assign(g.location, 7); after_statement(137); goto moved; }
                                                                            after_statement(137);
  /* 138 */   if (when(g.location == 7)) { assign(g.location, 6); after_statement(138); goto moved; }
                                                                            after_statement(138);
            } else {                                                        after_statement(134); }
  /* 141 */ if (when(command_is(t::kUseCrowbar))) {                         after_statement(141);
  /* 142 */   cls();                                                        after_statement(142);
  /* 143 */   print_line(literal(t::kOnWhat));                              after_statement(143);
  /* 144 */   drain_keys(144);
  /* 145 */   wait_for_key(145);
            } else {                                                        after_statement(141); }
  /* 147 */ if (when(command_is(t::kExamineMonster) & (g.location == 8))) { after_statement(147);
  /* 148 */   cls();                                                        after_statement(148);
  /* 149 */   print_line(literal(t::kMonster1));                            after_statement(149);
  /* 150 */   print_line(literal(t::kMonster2));                            after_statement(150);
  /* 151 */   print_line(literal(t::kMonster3));                            after_statement(151);
  /* 152 */   drain_keys(152);
  /* 153 */   wait_for_key(153);
            } else {                                                        after_statement(147); }
  /* 155 */ if (when(command_is(t::kExamineCrowbar) & (g.has_crowbar == 1))) {
                                                                            after_statement(155);
  /* 156 */   cls();                                                        after_statement(156);
  /* 157 */   print_line(literal(t::kCrowbar1));                            after_statement(157);
  /* 158 */   print_line(literal(t::kCrowbar2));                            after_statement(158);
  /* 159 */   drain_keys(159);
  /* 160 */   wait_for_key(160);
            } else {                                                        after_statement(155); }
  /* 162 */ if (when(command_is(t::kUseCrowbar) & (g.has_crowbar == 1) & (g.location == 8))) {
                                                                            after_statement(162);
  /* 163 */   cls(); after_statement(163); win_ending();
            } else {                                                        after_statement(162); }
  /* 168 */ if (when(command_is(t::kRunHome))) {                            after_statement(168);
  /* 169 */   cls(); after_statement(169); death_ending();
            } else {                                                        after_statement(168); }
moved:
  /* 176 */ return_from_subroutine(176);
}

void street_1() {
  /* 179 */ print_line(literal(t::kStreet1a));                              after_statement(179);
  /* 180 */ print_line(literal(t::kStreet1b));                              after_statement(180);
  /* 181 */ return_from_subroutine(181);
}

void street_2() {
  /* 184 */ print_line(literal(t::kStreet2));                               after_statement(184);
  /* 185 */ return_from_subroutine(185);
}

void street_3() {
  /* 188 */ print_line(literal(t::kStreet3a));                              after_statement(188);
  /* 189 */ print_line(literal(t::kStreet3b));                              after_statement(189);
  /* 190 */ return_from_subroutine(190);
}

void street_4() {
  /* 193 */ print_line(literal(t::kStreet4a));                              after_statement(193);
  /* 194 */ print_line(literal(t::kStreet4b));                              after_statement(194);
  /* 195 */ return_from_subroutine(195);
}

void street_5() {
  /* 198 */ print_line(literal(t::kStreet5a));                              after_statement(198);
  /* 199 */ print_line(literal(t::kStreet5b));                              after_statement(199);
  /* 200 */ print_line(literal(t::kStreet5c));                              after_statement(200);
  /* 201 */ return_from_subroutine(201);
}

void street_6() {
  /* 204 */ print_line(literal(t::kStreet6a));                              after_statement(204);
  /* 205 */ print_line(literal(t::kStreet6b));                              after_statement(205);
  /* 206 */ return_from_subroutine(206);
}

void street_7() {
  /* 209 */ print_line(literal(t::kStreet7a));                              after_statement(209);
  /* 210 */ print_line(literal(t::kStreet7b));                              after_statement(210);
  /* 211 */ return_from_subroutine(211);
}

void street_8() {
  /* 214 */ print_line(literal(t::kStreet8a));                              after_statement(214);
  /* 215 */ print_line(literal(t::kStreet8b));                              after_statement(215);
  /* 216 */ return_from_subroutine(216);
}

void street_9() {
  /* 219 */ print_line(literal(t::kStreet9));                               after_statement(219);
  /* 220 */ return_from_subroutine(220);
}

}  // namespace

void win_ending() {
  /* 223 */ rt::set_color(kGreen, kBlack, 0, kColoursGiven);                after_statement(223);
  /* 224 */ cls();                                                          after_statement(224);
  /* 225 */ print_line(literal(t::kWin1));                                  after_statement(225);
  /* 226 */ print_line(literal(t::kWin2));                                  after_statement(226);
  /* 227 */ print_line(literal(t::kWin3));                                  after_statement(227);
  /* 228 */ print_empty_line();                                             after_statement(228);
  // No drain first: the "On what?" screen before this one has already taken its key.
  /* 229 */ wait_for_key(229);
  /* 230 */ rt::end_program();
}

void death_ending() {
  /* 233 */ rt::set_color(kGreen, kBlack, 0, kColoursGiven);                after_statement(233);
  /* 234 */ cls();                                                          after_statement(234);
  /* 235 */ print_line(literal(t::kDeath1));                                after_statement(235);
  /* 236 */ print_line(literal(t::kDeath2));                                after_statement(236);
  /* 237 */ print_line(literal(t::kDeath3));                                after_statement(237);
  /* 238 */ print_line(literal(t::kDeath4));                                after_statement(238);
  /* 239 */ print_empty_line();                                             after_statement(239);
  // No drain first: the keys typed for the command are still in the keyboard ring (the
  // reader reads only the key-hit queue), so this wait usually ends at once.
  /* 240 */ wait_for_key(240);
  /* 241 */ rt::end_program();
}

}  // namespace game
