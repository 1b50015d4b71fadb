#pragma once

// Artwork and sounds of the EQ pages inside the Qt resource system.
namespace EQPagesResources {

inline constexpr char renameIcon[] = ":/images/eqpages/rechristen.svg";
inline constexpr char shareIcon[] = ":/images/eqpages/participation.svg";
inline constexpr char exportIcon[] = ":/images/eqpages/export.svg";
inline constexpr char importIcon[] = ":/images/eqpages/leadIn.svg";
inline constexpr char resetIcon[] = ":/images/eqpages/reset.svg";

inline constexpr char toastSucceed[] = ":/images/eqpages/succeed.png";
inline constexpr char toastFail[] = ":/images/eqpages/fail.png";
inline constexpr char toastInfo[] = ":/images/eqpages/info.png";

inline constexpr char shareClose[] = ":/images/eqpages/shareClose.png";
inline constexpr char radioChecked[] = ":/images/Group 18112.png";
inline constexpr char radioUnchecked[] = ":/images/Group 18112un.png";
inline constexpr char arrowDown[] = ":/svgs/arrowdown.svg";
inline constexpr char arrowUp[] = ":/svgs/arrowup.svg";

inline constexpr char musicIcon[] = ":/images/eqpages/music.png";
inline constexpr char musicHoverIcon[] = ":/images/eqpages/hoverMusic.png";
inline constexpr char gameIcon[] = ":/images/eqpages/game.png";
inline constexpr char gameHoverIcon[] = ":/images/eqpages/hoverGame.png";
inline constexpr char movieIcon[] = ":/images/eqpages/movie.png";
inline constexpr char movieHoverIcon[] = ":/images/eqpages/hoverMovie.png";
inline constexpr char helpIcon[] = ":/images/eqpages/eqsoundtest_help.png";
inline constexpr char playingIcon[] = ":/images/eqpages/testplay.png";

inline constexpr char musicClip[] = ":/audio/music.wav";
inline constexpr char gameClip[] = ":/audio/game.wav";
inline constexpr char movieClip[] = ":/audio/movie.wav";

} // namespace EQPagesResources
