#pragma once
// The page pictures, drawn by code: a soft background, the breadcrumb of the five steps along
// the top, a friendly robot at the left and its speech bubble holding the page's texts.

#include <QImage>

// The 649 by 400 picture of page `page_index` (0 to 14), as PageLayout describes it.
QImage DrawPagePicture(int page_index);
// The agent's icon: the robot's head and shoulders on a transparent square of `size` pixels.
QImage DrawRobotIcon(int size);
