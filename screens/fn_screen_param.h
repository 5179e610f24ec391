#pragma once

int screen_param();
