#pragma once

int screen_sd();
