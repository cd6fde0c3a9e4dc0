# TImageScrollBox, the scrolling page view, as a small widget target of its
# own so that borvane_image itself stays free of Qt Widgets.
add_library(borvane_imageview STATIC ${CMAKE_CURRENT_LIST_DIR}/imagescrollbox.cpp)
target_link_libraries(borvane_imageview PUBLIC borvane_image borvane_transforms Qt6::Widgets)
