#pragma once

int screen_shortcuts();
