// The program's user-visible texts, as the Shift-JIS (CP932) bytes the
// Windows "A" calls take. Each literal is preceded by its text.
#ifndef MORVANE_APP_STRINGS_H
#define MORVANE_APP_STRINGS_H

// "初期化に失敗しました"
inline constexpr char kInitFailedText[] =
    "\217\211\212\372\211\273\202\311\216\270\224s\202\265\202\334\202\265\202\275";
inline constexpr char kErrorCaption[] = "Error!!";
// "Morvane(仮)  べんちまーく Ver.B"
inline constexpr char kMainWindowTitle[] =
    "Morvane(\211\274)  \202\327\202\361\202\277\202\334\201[\202\255 Ver.B";
inline constexpr char kMainWindowClass[] = "MAINWNDOW";
// "設定"
inline constexpr char kDialogCaption[] = "\220\335\222\350";
// "ウィンドウ設定"
inline constexpr char kWindowGroupText[] = "\203E\203B\203\223\203h\203E\220\335\222\350";
// "ウィンドウ"
inline constexpr char kWindowedText[] = "\203E\203B\203\223\203h\203E";
// "フルスクリーン"
inline constexpr char kFullScreenText[] = "\203t\203\213\203X\203N\203\212\201[\203\223";
// "※Escキーで終了できます"
inline constexpr char kEscNoteText[] =
    "\201\246Esc\203L\201[\202\305\217I\227\271\202\305\202\253\202\334\202\267";
// "アンチエイリアス設定"
inline constexpr char kAntiAliasGroupText[] =
    "\203A\203\223\203`\203G\203C\203\212\203A\203X\220\335\222\350";
// "アンチエイリアス有り"
inline constexpr char kAntiAliasOnText[] =
    "\203A\203\223\203`\203G\203C\203\212\203A\203X\227L\202\350";
// "アンチエイリアス無し"
inline constexpr char kAntiAliasOffText[] =
    "\203A\203\223\203`\203G\203C\203\212\203A\203X\226\263\202\265";

#endif  // MORVANE_APP_STRINGS_H
