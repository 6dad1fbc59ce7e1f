<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>TallyHistoryWindow</name>
    <message>
        <source>历史</source>
        <translation>History</translation>
    </message>
    <message>
        <source>日期</source>
        <translation>Dates</translation>
    </message>
    <message>
        <source>yyyy-MM-dd</source>
        <translation>yyyy-MM-dd</translation>
    </message>
    <message>
        <source>至</source>
        <translation>to</translation>
    </message>
    <message>
        <source>名字</source>
        <translation>names</translation>
    </message>
    <message>
        <source>任一玩家的名字</source>
        <translation>either player&apos;s name</translation>
    </message>
    <message>
        <source>导出列表中的PK（CSV）…</source>
        <translation>Export the listed PKs (CSV)…</translation>
    </message>
    <message>
        <source>当日汇总</source>
        <translation>Day summary</translation>
    </message>
    <message>
        <source>导出这场（CSV）…</source>
        <translation>Export this PK (CSV)…</translation>
    </message>
    <message>
        <source>%1 %2 胜</source>
        <translation>%1 %2 won</translation>
    </message>
    <message>
        <source>平局 %1</source>
        <translation>%1 tied</translation>
    </message>
    <message>
        <source>共 %1 场PK；%2；加分合计 %3</source>
        <translation>%1 PKs; %2; added in all %3</translation>
    </message>
    <message>
        <source>无胜负</source>
        <translation>none won</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>平局</source>
        <translation>tie</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Started</translation>
    </message>
    <message>
        <source>玩家一</source>
        <translation>Player one</translation>
    </message>
    <message>
        <source>玩家二</source>
        <translation>Player two</translation>
    </message>
    <message>
        <source>比分</source>
        <translation>Score</translation>
    </message>
    <message>
        <source>胜方</source>
        <translation>Winner</translation>
    </message>
    <message>
        <source>导出历史</source>
        <translation>Export the history</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>历史没有导出：无法写入这个文件。</source>
        <translation>The history was not exported: this file cannot be written.</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>玩家</source>
        <translation>Player</translation>
    </message>
    <message>
        <source>数量</source>
        <translation>Amount</translation>
    </message>
    <message>
        <source>玩家一总数</source>
        <translation>Player one&apos;s total</translation>
    </message>
    <message>
        <source>玩家二总数</source>
        <translation>Player two&apos;s total</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>已撤销</source>
        <translation>undone</translation>
    </message>
</context>
<context>
    <name>TallySetupDialog</name>
    <message>
        <source>PK 设置</source>
        <translation>PK settings</translation>
    </message>
    <message>
        <source>玩家一名字</source>
        <translation>Player one&apos;s name</translation>
    </message>
    <message>
        <source>玩家二名字</source>
        <translation>Player two&apos;s name</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>上移</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下移</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>广告文字</source>
        <translation>Advert text</translation>
    </message>
    <message>
        <source>字大小</source>
        <translation>Font size</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open the folder</translation>
    </message>
    <message>
        <source>有 GBK 存不下的字符（如表情），配置文件将存成 UTF-8。</source>
        <translation>Some characters (an emoji, say) do not fit in GBK: the file will be saved as UTF-8.</translation>
    </message>
    <message>
        <source>的名字不能为空。</source>
        <translation>&apos;s name cannot be empty.</translation>
    </message>
    <message>
        <source>的名字不能换行。</source>
        <translation>&apos;s name cannot have a line break.</translation>
    </message>
    <message>
        <source>的预设数量最多 %1 个。</source>
        <translation> has at most %1 preset amounts.</translation>
    </message>
    <message>
        <source>的预设数量“%1”不是数字。</source>
        <translation>&apos;s preset amount &quot;%1&quot; is not a number.</translation>
    </message>
    <message>
        <source>玩家一</source>
        <translation>Player one</translation>
    </message>
    <message>
        <source>玩家二</source>
        <translation>Player two</translation>
    </message>
    <message>
        <source>广告文字里不能有“+”：配置文件用它表示换行。</source>
        <translation>The advert cannot hold &quot;+&quot;: the file uses it for a line break.</translation>
    </message>
    <message>
        <source>字大小应在 1 到 %1 之间。</source>
        <translation>The font size is from 1 to %1.</translation>
    </message>
    <message>
        <source>设置没有保存。</source>
        <translation>The settings were not saved.</translation>
    </message>
    <message>
        <source>设置没有保存：无法写入配置文件，原文件未改动。</source>
        <translation>The settings were not saved: the file cannot be written; the old one is unchanged.</translation>
    </message>
</context>
<context>
    <name>actions</name>
    <message>
        <source>下一步，和空格键一样</source>
        <translation>the next step, as the space bar</translation>
    </message>
    <message>
        <source>从开局提示打开“摇几次”的框</source>
        <translation>open the &quot;how many throws&quot; box from the start prompt</translation>
    </message>
    <message>
        <source>设定这一局摇几次</source>
        <translation>set this turn&apos;s number of throws</translation>
    </message>
    <message>
        <source>开始摇</source>
        <translation>start shaking</translation>
    </message>
    <message>
        <source>摇一次（摇的过程中）</source>
        <translation>throw once (while shaking)</translation>
    </message>
    <message>
        <source>摇完后开龙虎</source>
        <translation>reveal dragon and tiger after the shaking</translation>
    </message>
    <message>
        <source>把观众的口令混进下一局的随机数</source>
        <translation>mix the viewers&apos; phrase into the next turn&apos;s draw</translation>
    </message>
    <message>
        <source>设定箱子和地雷的数量</source>
        <translation>set the numbers of boxes and mines</translation>
    </message>
    <message>
        <source>摆好箱子、埋下地雷</source>
        <translation>lay out the boxes and bury the mines</translation>
    </message>
    <message>
        <source>打开这个号码的箱子（从 1 起）</source>
        <translation>open the box of this number (from 1)</translation>
    </message>
    <message>
        <source>把打开的箱子记给玩家 1 或 2</source>
        <translation>credit the opened box to player 1 or 2</translation>
    </message>
    <message>
        <source>把观众的口令混进埋雷的随机数</source>
        <translation>mix the viewers&apos; phrase into the burial&apos;s draw</translation>
    </message>
    <message>
        <source>给玩家 1 或 2 加上这个数量</source>
        <translation>add this amount to player 1 or 2</translation>
    </message>
    <message>
        <source>加上玩家的第 n 个预设数量（从 1 起）</source>
        <translation>add the player&apos;s n-th preset amount (from 1)</translation>
    </message>
    <message>
        <source>选中玩家 1 或 2，打字加分给他</source>
        <translation>select player 1 or 2, for typed amounts</translation>
    </message>
    <message>
        <source>换选另一位玩家</source>
        <translation>select the other player</translation>
    </message>
    <message>
        <source>撤销上一次加分</source>
        <translation>undo the last addition</translation>
    </message>
    <message>
        <source>重做撤销的加分</source>
        <translation>redo the undone addition</translation>
    </message>
    <message>
        <source>打开一个游戏的窗口，已开着就把它带到前面</source>
        <translation>open a game&apos;s window, or bring it to the front when open</translation>
    </message>
    <message>
        <source>打印各游戏的状态，即 GET /api/state 的 JSON</source>
        <translation>print every game&apos;s state, the JSON of GET /api/state</translation>
    </message>
    <message>
        <source>把游戏目录带到前面</source>
        <translation>bring the game catalogue to the front</translation>
    </message>
    <message>
        <source>把游戏（不写就是全部）加入 OBS 的当前场景，或 --scene 指定的场景</source>
        <translation>add the games (all when none is named) to OBS&apos;s current scene, or to the scene --scene names</translation>
    </message>
    <message>
        <source>OBS 是否连上、它的版本、场景和已加入的游戏</source>
        <translation>whether OBS is connected, its version, scene and the games added</translation>
    </message>
    <message>
        <source>从 OBS 拿走程序加入的源（不写游戏就是全部），别的都不动</source>
        <translation>take the program&apos;s sources out of OBS (every game&apos;s when none is named), leaving all else alone</translation>
    </message>
    <message>
        <source>打开手机遥控，打印手机可用的地址</source>
        <translation>turn the phone remote on and print the addresses phones can use</translation>
    </message>
    <message>
        <source>关闭手机遥控，断开所有手机</source>
        <translation>turn the phone remote off, disconnecting every phone</translation>
    </message>
    <message>
        <source>手机遥控是否开着、地址和配对的设备</source>
        <translation>whether the phone remote is on, its addresses and the paired devices</translation>
    </message>
    <message>
        <source>打印一个新的配对地址（5 分钟内用一次），--qr 另存二维码 PNG</source>
        <translation>print a new pairing address (for one use within 5 minutes); --qr also saves its QR code as a PNG</translation>
    </message>
    <message>
        <source>列出配对的设备</source>
        <translation>list the paired devices</translation>
    </message>
    <message>
        <source>设一台设备能操作（operate）还是只能看（view）</source>
        <translation>set whether a device can operate (operate) or only view (view)</translation>
    </message>
    <message>
        <source>移除一台设备（all 为全部），立即生效</source>
        <translation>remove a device (all for every one); it takes effect at once</translation>
    </message>
</context>
<context>
    <name>catalogue</name>
    <message>
        <source>这个桌面不让程序自己设置全局快捷键。</source>
        <translation>This desktop does not let programs set global shortcuts themselves.</translation>
    </message>
    <message>
        <source>这个桌面不让程序自己设置全局快捷键（%1）。</source>
        <translation>This desktop does not let programs set global shortcuts themselves (%1).</translation>
    </message>
    <message>
        <source>

在桌面设置的自定义快捷键里运行 glimmerhall ctl 命令，效果相同，例如：
</source>
        <translation>

A custom shortcut in the desktop&apos;s settings that runs a glimmerhall ctl command does the same, for example:
</translation>
    </message>
    <message>
        <source>

全部命令见 glimmerhall ctl --help 和 man glimmerhall。</source>
        <translation>

Every command: glimmerhall ctl --help and man glimmerhall.</translation>
    </message>
    <message>
        <source>直播叠加正在启动，请稍候再试</source>
        <translation>The live overlays are starting; try again in a moment</translation>
    </message>
    <message>
        <source>新的控制令牌已复制，旧的不再有效。</source>
        <translation>The new control token is copied; the old one no longer works.</translation>
    </message>
    <message>
        <source>新的控制令牌已复制，旧的不再有效。
</source>
        <translation>The new control token is copied; the old one no longer works.
</translation>
    </message>
    <message>
        <source>控制令牌</source>
        <translation>Control token</translation>
    </message>
    <message>
        <source>复制直播叠加地址 · </source>
        <translation>Copy the live overlay address · </translation>
    </message>
    <message>
        <source>复制控制令牌</source>
        <translation>Copy the control token</translation>
    </message>
    <message>
        <source>没有可用的控制令牌</source>
        <translation>No control token is available</translation>
    </message>
    <message>
        <source>生成新的控制令牌</source>
        <translation>Make a new control token</translation>
    </message>
    <message>
        <source>全局快捷键</source>
        <translation>Global shortcuts</translation>
    </message>
    <message>
        <source>直播叠加</source>
        <translation>Live overlays</translation>
    </message>
    <message>
        <source>
地址已复制：</source>
        <translation>
Address copied: </translation>
    </message>
    <message>
        <source>连接 OBS…</source>
        <translation>Connect to OBS…</translation>
    </message>
    <message>
        <source>加入 OBS · </source>
        <translation>Add to OBS · </translation>
    </message>
    <message>
        <source>加入 OBS</source>
        <translation>Add to OBS</translation>
    </message>
    <message>
        <source>手机遥控…</source>
        <translation>Phone remote…</translation>
    </message>
</context>
<context>
    <name>command line</name>
    <message>
        <source>option &apos;--overlay-port&apos; needs a port number</source>
        <translation>option &apos;--overlay-port&apos; needs a port number</translation>
    </message>
    <message>
        <source>invalid overlay port &apos;%1&apos;: give a whole number from 0 to 65535</source>
        <translation>invalid overlay port &apos;%1&apos;: give a whole number from 0 to 65535</translation>
    </message>
    <message>
        <source>unrecognised option &apos;%1&apos;</source>
        <translation>unrecognised option &apos;%1&apos;</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>unexpected argument &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Usage: glimmerhall [--overlay-port N] [--new-instance]
       glimmerhall ctl COMMAND [ARGUMENTS]
       glimmerhall verify GAME SEED [PHRASE] --round N ...
       glimmerhall --help | --version | ctl --help | verify --help
</source>
        <translation>Usage: glimmerhall [--overlay-port N] [--new-instance]
       glimmerhall ctl COMMAND [ARGUMENTS]
       glimmerhall verify GAME SEED [PHRASE] --round N ...
       glimmerhall --help | --version | ctl --help | verify --help
</translation>
    </message>
    <message>
        <source>
Party games for hosts of live video streams, played between two players and
opened from one catalogue window.

Options:
  --overlay-port N  serve the live overlays on 127.0.0.1, port N (0 to 65535);
                    default %1, 0 turns the live overlays off. Also settable as
                    &apos;port&apos; in section [overlay] of
                    ${XDG_CONFIG_HOME:-~/.config}/glimmerhall/settings.ini
  --new-instance    start another copy even when one is running; it takes no
                    ctl commands (without it, a second start raises the first)
  -h, --help        show this help and exit
  --version         show the version and exit

Commands to the running program: glimmerhall ctl --help
Checking a game&apos;s revealed draw from its published seed, phrase and outcome
(no running program needed): glimmerhall verify --help

</source>
        <translation>
Party games for hosts of live video streams, played between two players and
opened from one catalogue window.

Options:
  --overlay-port N  serve the live overlays on 127.0.0.1, port N (0 to 65535);
                    default %1, 0 turns the live overlays off. Also settable as
                    &apos;port&apos; in section [overlay] of
                    ${XDG_CONFIG_HOME:-~/.config}/glimmerhall/settings.ini
  --new-instance    start another copy even when one is running; it takes no
                    ctl commands (without it, a second start raises the first)
  -h, --help        show this help and exit
  --version         show the version and exit

Commands to the running program: glimmerhall ctl --help
Checking a game&apos;s revealed draw from its published seed, phrase and outcome
(no running program needed): glimmerhall verify --help

</translation>
    </message>
    <message>
        <source>Live overlays: off.
</source>
        <translation>Live overlays: off.
</translation>
    </message>
    <message>
        <source>Live overlays, as browser sources for streaming software:
</source>
        <translation>Live overlays, as browser sources for streaming software:
</translation>
    </message>
</context>
<context>
    <name>ctl</name>
    <message>
        <source>no program is running in this session (%1)</source>
        <translation>no program is running in this session (%1)</translation>
    </message>
    <message>
        <source>no answer from the running program (%1)</source>
        <translation>no answer from the running program (%1)</translation>
    </message>
    <message>
        <source>it closed the connection</source>
        <translation>it closed the connection</translation>
    </message>
    <message>
        <source>an argument is not UTF-8 text; the program reads UTF-8 only (参数不是有效的 UTF-8 文字)</source>
        <translation>an argument is not UTF-8 text; the program reads UTF-8 only</translation>
    </message>
    <message>
        <source>ctl needs a command</source>
        <translation>ctl needs a command</translation>
    </message>
    <message>
        <source>&apos;%1&apos; takes %2 argument(s); see &apos;glimmerhall ctl --help&apos;</source>
        <translation>&apos;%1&apos; takes %2 argument(s); see &apos;glimmerhall ctl --help&apos;</translation>
    </message>
    <message>
        <source>invalid %1 &apos;%2&apos; for &apos;%3&apos;</source>
        <translation>invalid %1 &apos;%2&apos; for &apos;%3&apos;</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is too long: a request takes at most %2 bytes (命令太长)</source>
        <translation>&apos;%1&apos; is too long: a request takes at most %2 bytes</translation>
    </message>
    <message>
        <source>unknown ctl command &apos;%1&apos;; see &apos;glimmerhall ctl --help&apos;</source>
        <translation>unknown ctl command &apos;%1&apos;; see &apos;glimmerhall ctl --help&apos;</translation>
    </message>
    <message>
        <source>Usage: glimmerhall ctl COMMAND [ARGUMENTS]  (glimmerhall ctl --help lists them)
</source>
        <translation>Usage: glimmerhall ctl COMMAND [ARGUMENTS]  (glimmerhall ctl --help lists them)
</translation>
    </message>
    <message>
        <source>Usage: glimmerhall ctl COMMAND [ARGUMENTS]

Sends one command to the program running in this user&apos;s session and prints its
answer. Commands act as the game windows&apos; own buttons and keys do.

Commands:
</source>
        <translation>Usage: glimmerhall ctl COMMAND [ARGUMENTS]

Sends one command to the program running in this user&apos;s session and prints its
answer. Commands act as the game windows&apos; own buttons and keys do.

Commands:
</translation>
    </message>
    <message>
        <source>
Exit status: 0 done; 1 refused (the reason on standard error: the game is not
open, the action is not allowed now, a message box is open, a value it cannot
take); 2 usage error; 3 no program running.
</source>
        <translation>
Exit status: 0 done; 1 refused (the reason on standard error: the game is not
open, the action is not allowed now, a message box is open, a value it cannot
take); 2 usage error; 3 no program running.
</translation>
    </message>
    <message>
        <source>缺少参数：</source>
        <translation>missing argument: </translation>
    </message>
    <message>
        <source>（不是数字或文字）</source>
        <translation>(neither a number nor text)</translation>
    </message>
    <message>
        <source>玩家只能是 1 或 2：</source>
        <translation>the player is 1 or 2: </translation>
    </message>
    <message>
        <source>%1 应是 %2 到 %3 的整数：%4</source>
        <translation>%1 is a whole number from %2 to %3: %4</translation>
    </message>
    <message>
        <source>没有这个游戏：</source>
        <translation>no such game: </translation>
    </message>
    <message>
        <source>有对话框开着，请先处理它</source>
        <translation>a message box is open; answer it first</translation>
    </message>
    <message>
        <source>没有这个命令：</source>
        <translation>no such command: </translation>
    </message>
    <message>
        <source> 没有打开</source>
        <translation> is not open</translation>
    </message>
    <message>
        <source>请求不是有效的 UTF-8 文字</source>
        <translation>the request is not valid UTF-8 text</translation>
    </message>
    <message>
        <source>请求不是一个 JSON 对象</source>
        <translation>the request is not a JSON object</translation>
    </message>
    <message>
        <source>&apos;%1&apos; does not take &apos;%2&apos;; see &apos;glimmerhall ctl --help&apos;</source>
        <translation>&apos;%1&apos; does not take &apos;%2&apos;; see &apos;glimmerhall ctl --help&apos;</translation>
    </message>
</context>
<context>
    <name>hotkeys</name>
    <message>
        <source>，全局快捷键按默认设置</source>
        <translation>; the global shortcuts are the default ones</translation>
    </message>
    <message>
        <source>[hotkeys] 只读取前 %1 行，其余 %2 行没有读取</source>
        <translation>[hotkeys]: only the first %1 lines were read, %2 more were not</translation>
    </message>
    <message>
        <source>桌面没有全局快捷键门户</source>
        <translation>the desktop has no global shortcuts portal</translation>
    </message>
    <message>
        <source>桌面上取消了快捷键的设置</source>
        <translation>the shortcuts were cancelled on the desktop</translation>
    </message>
    <message>
        <source>桌面没能设置快捷键</source>
        <translation>the desktop could not set the shortcuts</translation>
    </message>
    <message>
        <source>桌面没有给出快捷键会话</source>
        <translation>the desktop gave no shortcuts session</translation>
    </message>
    <message>
        <source>设置文件的 [hotkeys] 一节里没有可用的全局快捷键：%1</source>
        <translation>No usable global shortcut in the [hotkeys] section of the settings file: %1</translation>
    </message>
    <message>
        <source>%1 个全局快捷键在任何窗口有焦点时都能用（设置文件 %2 的 [hotkeys] 一节）：
%3</source>
        <translation>%1 global shortcuts work whichever window has the focus (section [hotkeys] of the settings file %2):
%3</translation>
    </message>
    <message>
        <source>这些快捷键被其他程序占用，没有启用：
</source>
        <translation>These shortcuts are held by other programs and are not in use:
</translation>
    </message>
    <message>
        <source>全局快捷键</source>
        <translation>Global shortcuts</translation>
    </message>
    <message>
        <source>正在向桌面登记全局快捷键…</source>
        <translation>Asking the desktop for the global shortcuts…</translation>
    </message>
</context>
<context>
    <name>obs</name>
    <message>
        <source>已连上 OBS %1。</source>
        <translation>Connected to OBS %1. </translation>
    </message>
    <message>
        <source>它有浏览器源：游戏会作为浏览器源加入。</source>
        <translation>It has browser sources: games are added as browser sources.</translation>
    </message>
    <message>
        <source>它没有浏览器源：游戏会用 OBS 自带的文字和图片源画出。</source>
        <translation>It has no browser sources: games are drawn with OBS&apos;s own text and image sources.</translation>
    </message>
    <message>
        <source>正在连接 OBS…</source>
        <translation>Connecting to OBS…</translation>
    </message>
    <message>
        <source>测试连接</source>
        <translation>Test connection</translation>
    </message>
    <message>
        <source>连接 OBS</source>
        <translation>Connect to OBS</translation>
    </message>
    <message>
        <source>OBS 28 以后自带 WebSocket 服务器：在 OBS 的 工具 → WebSocket 服务器设置 里打开它，点“显示连接信息”，把端口和密码填在这里。</source>
        <translation>OBS 28 and later have a WebSocket server built in: turn it on in OBS under Tools → WebSocket Server Settings, click “Show Connect Info”, and enter the port and password here.</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>没能保存：</source>
        <translation>Could not save: </translation>
    </message>
    <message>
        <source>OBS 没有开着，或它的 WebSocket 服务器没有打开（在 OBS 的 工具 → WebSocket 服务器设置 里打开，端口与这里的地址一致）</source>
        <translation>OBS is not running, or its WebSocket server is off (turn it on in OBS under Tools → WebSocket Server Settings, on the same port as the address here)</translation>
    </message>
    <message>
        <source>OBS 没有回应</source>
        <translation>OBS did not respond</translation>
    </message>
    <message>
        <source>与 OBS 的连接断开了</source>
        <translation>The connection to OBS was lost</translation>
    </message>
    <message>
        <source>OBS 的地址应像 ws://127.0.0.1:4455 这样：</source>
        <translation>The OBS address should look like ws://127.0.0.1:4455; this one does not: </translation>
    </message>
    <message>
        <source>程序缺少与 OBS 通信的模块 glimmer_obs_socket</source>
        <translation>The program is missing glimmer_obs_socket, its module for talking to OBS</translation>
    </message>
    <message>
        <source>OBS 不接受这个密码：请在 OBS 的 工具 → WebSocket 服务器设置 里点“显示连接信息”，把密码抄过来</source>
        <translation>OBS does not accept this password: in OBS, click “Show Connect Info” under Tools → WebSocket Server Settings and copy the password from there</translation>
    </message>
    <message>
        <source>这个 OBS 的 WebSocket 版本太旧，请用 OBS 28 或更新的版本</source>
        <translation>This OBS&apos;s WebSocket version is too old; use OBS 28 or later</translation>
    </message>
    <message>
        <source>OBS 关掉了，或断开了连接；它回来时会自动连上</source>
        <translation>OBS closed or dropped the connection; the program reconnects by itself when OBS is back</translation>
    </message>
    <message>
        <source>没有连上 OBS</source>
        <translation>Not connected to OBS</translation>
    </message>
    <message>
        <source>OBS 没有及时回答</source>
        <translation>OBS did not answer in time</translation>
    </message>
    <message>
        <source>OBS 里找不到它，也许刚被删掉了</source>
        <translation>OBS cannot find it; it may have just been deleted</translation>
    </message>
    <message>
        <source>这个 OBS 没有这种源</source>
        <translation>This OBS does not have this kind of source</translation>
    </message>
    <message>
        <source>OBS 拒绝了这个请求，代码 %1</source>
        <translation>OBS refused the request, code %1</translation>
    </message>
    <message>
        <source>没有连上 OBS：</source>
        <translation>Not connected to OBS: </translation>
    </message>
    <message>
        <source>OBS 里没有叫「%1」的场景</source>
        <translation>OBS has no scene called “%1”</translation>
    </message>
    <message>
        <source>写不了 OBS 要显示的图片：</source>
        <translation>Cannot write the pictures for OBS to show: </translation>
    </message>
    <message>
        <source>这个 OBS 没有浏览器源，而这个游戏没有别的画法</source>
        <translation>this OBS has no browser sources, and this game cannot be drawn any other way</translation>
    </message>
    <message>
        <source>OBS 里已有一个叫「%1」的源，种类是 %2，程序没有动它；把它改名或删掉后再试</source>
        <translation>OBS already has a source called “%1”, of kind %2, which the program left alone; rename or delete it and try again</translation>
    </message>
    <message>
        <source>OBS 里已有一个叫「%1」的场景，程序没有动它；把它改名或删掉后再试</source>
        <translation>OBS already has a scene called “%1”, which the program left alone; rename or delete it and try again</translation>
    </message>
    <message>
        <source>直播叠加没有开着，浏览器源没有地址可用</source>
        <translation>the live overlays are off, so a browser source has no address to show</translation>
    </message>
    <message>
        <source> 没有加入 OBS：</source>
        <translation> was not added to OBS: </translation>
    </message>
    <message>
        <source>%1 已作为浏览器源加入场景「%2」，因为这个 OBS 有浏览器源。</source>
        <translation>%1 was added to the scene “%2” as a browser source, since this OBS has browser sources.</translation>
    </message>
    <message>
        <source>%1 已用 OBS 自带的文字和图片源加入场景「%2」，因为这个 OBS 没有浏览器源（Debian 的 OBS 就是这样）；程序会随游戏更新这些文字和图片。</source>
        <translation>%1 was added to the scene “%2” with OBS&apos;s own text and image sources, since this OBS has no browser sources (as with Debian&apos;s OBS); the program updates the text and pictures as the game goes on.</translation>
    </message>
    <message>
        <source>场景「%1」里还有别的源，留下了它</source>
        <translation>the scene “%1” still holds other sources, so it was kept</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>%1 已从 OBS 拿走。</source>
        <translation>%1 was removed from OBS.</translation>
    </message>
    <message>
        <source>%1 不在 OBS 里。</source>
        <translation>%1 is not in OBS.</translation>
    </message>
    <message>
        <source>没有连上 OBS（%1）：</source>
        <translation>Not connected to OBS (%1): </translation>
    </message>
    <message>
        <source>没有设地址</source>
        <translation>no address set</translation>
    </message>
    <message>
        <source>已连上 OBS %1（%2）</source>
        <translation>Connected to OBS %1 (%2)</translation>
    </message>
    <message>
        <source>当前场景：%1</source>
        <translation>Current scene: %1</translation>
    </message>
    <message>
        <source>有浏览器源</source>
        <translation>Has browser sources</translation>
    </message>
    <message>
        <source>没有浏览器源，游戏用 OBS 自带的文字和图片源画出</source>
        <translation>No browser sources; games are drawn with OBS&apos;s own text and image sources</translation>
    </message>
    <message>
        <source>浏览器源</source>
        <translation>browser source</translation>
    </message>
    <message>
        <source>文字和图片源</source>
        <translation>text and image sources</translation>
    </message>
    <message>
        <source>未加入</source>
        <translation>not added</translation>
    </message>
</context>
<context>
    <name>overlay</name>
    <message>
        <source>the overlay module cannot be loaded</source>
        <translation>the overlay module cannot be loaded</translation>
    </message>
    <message>
        <source>port %1 is taken or not available; no overlays</source>
        <translation>port %1 is taken or not available; no overlays</translation>
    </message>
    <message>
        <source>，端口已改用 %1</source>
        <translation>; port %1 is used instead</translation>
    </message>
    <message>
        <source>%1 中 [overlay] port 的值 “%2” 无效，已改用 %3</source>
        <translation>In %1 the [overlay] port value &quot;%2&quot; is invalid; %3 is used instead</translation>
    </message>
    <message>
        <source>直播叠加未开启：端口 %1 无效</source>
        <translation>Live overlays are off: port %1 is invalid</translation>
    </message>
    <message>
        <source>直播叠加已关闭（端口设为 0）</source>
        <translation>Live overlays are off (the port is set to 0)</translation>
    </message>
    <message>
        <source>直播叠加未开启：端口 %1 已被占用或不可用</source>
        <translation>Live overlays are off: port %1 is taken or not available</translation>
    </message>
    <message>
        <source>直播叠加（OBS 浏览器来源）：%1
</source>
        <translation>Live overlays (OBS browser sources): %1
</translation>
    </message>
</context>
<context>
    <name>page</name>
    <message>
        <source>龙虎骰子</source>
        <translation>dragon-tiger dice</translation>
    </message>
    <message>
        <source>战绩</source>
        <translation>tallies</translation>
    </message>
    <message>
        <source>色子</source>
        <translation>dice</translation>
    </message>
    <message>
        <source>局况</source>
        <translation>turn</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>result</translation>
    </message>
    <message>
        <source>公平性</source>
        <translation>fairness</translation>
    </message>
    <message>
        <source>开箱扫雷</source>
        <translation>mine boxes</translation>
    </message>
    <message>
        <source>剩余地雷</source>
        <translation>mines left</translation>
    </message>
    <message>
        <source>阶段</source>
        <translation>stage</translation>
    </message>
    <message>
        <source>箱子</source>
        <translation>boxes</translation>
    </message>
    <message>
        <source>PK 计分</source>
        <translation>PK scoreboard</translation>
    </message>
    <message>
        <source>名字</source>
        <translation>names</translation>
    </message>
    <message>
        <source>总数</source>
        <translation>totals</translation>
    </message>
    <message>
        <source>领先</source>
        <translation>leader</translation>
    </message>
    <message>
        <source>相差</source>
        <translation>difference</translation>
    </message>
    <message>
        <source>Glimmerhall 直播叠加</source>
        <translation>Glimmerhall live overlays</translation>
    </message>
    <message>
        <source>在 OBS 中添加“浏览器”来源，填入下面的地址和大小。</source>
        <translation>In OBS, add a &quot;Browser&quot; source and fill in the address and size below.</translation>
    </message>
    <message>
        <source>游戏</source>
        <translation>Game</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>建议大小</source>
        <translation>Suggested size</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>底色</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>深色</source>
        <translation>Dark</translation>
    </message>
    <message>
        <source>浅色</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>无底色</source>
        <translation>None</translation>
    </message>
    <message>
        <source>强调色</source>
        <translation>Accent</translation>
    </message>
    <message>
        <source>字体</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>黑体</source>
        <translation>Sans</translation>
    </message>
    <message>
        <source>宋体</source>
        <translation>Serif</translation>
    </message>
    <message>
        <source>楷体</source>
        <translation>Kai</translation>
    </message>
    <message>
        <source>等宽</source>
        <translation>Monospace</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>靠左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>居中</source>
        <translation>Centre</translation>
    </message>
    <message>
        <source>靠右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>隐藏：</source>
        <translation>Hide: </translation>
    </message>
    <message>
        <source>复制地址</source>
        <translation>Copy address</translation>
    </message>
    <message>
        <source>已复制</source>
        <translation>Copied</translation>
    </message>
    <message>
        <source>已打开</source>
        <translation>open</translation>
    </message>
    <message>
        <source>未打开</source>
        <translation>closed</translation>
    </message>
    <message>
        <source>公平验证</source>
        <translation>Fairness check</translation>
    </message>
    <message>
        <source>种子</source>
        <translation>Seed</translation>
    </message>
    <message>
        <source>口令</source>
        <translation>Phrase</translation>
    </message>
    <message>
        <source>轮次</source>
        <translation>Round</translation>
    </message>
    <message>
        <source>承诺</source>
        <translation>Commitment</translation>
    </message>
    <message>
        <source>核对</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>填写有误：</source>
        <translation>Not filled in right: </translation>
    </message>
    <message>
        <source>种子应是 64 个十六进制数字</source>
        <translation>the seed is 64 hex digits</translation>
    </message>
    <message>
        <source>承诺应是 64 个十六进制数字</source>
        <translation>the commitment is 64 hex digits</translation>
    </message>
    <message>
        <source>承诺与种子不符（种子的 SHA-256 是 </source>
        <translation>the commitment does not match the seed (the SHA-256 of the seed is </translation>
    </message>
    <message>
        <source>）</source>
        <translation>)</translation>
    </message>
    <message>
        <source>没有这个游戏</source>
        <translation>no such game</translation>
    </message>
    <message>
        <source>对不上</source>
        <translation>Does not match</translation>
    </message>
    <message>
        <source>核对无误</source>
        <translation>Everything matches</translation>
    </message>
    <message>
        <source>出错了：</source>
        <translation>Something went wrong: </translation>
    </message>
    <message>
        <source>在你的浏览器里重算：这一页不向任何地方发送任何东西。种子的 SHA-256 应等于开局前公布的承诺；
第 n 块随机数是 HMAC-SHA256（密钥＝种子的 32 个字节，消息＝UTF-8 的 “glimmerhall-draw|游戏|轮次|n|口令”），n 从 0 起；
每块的 32 个字节依次按 4 个字节一组读成大端无符号数 x（每块 8 个），x ≥ 2^32 − 2^32 mod 范围 时丢弃、读下一个，否则取 下限 + x mod 范围。</source>
        <translation>Recomputed in your browser: this page sends nothing anywhere. The SHA-256 of the seed must equal the commitment published before the turn;
block n of the draw is HMAC-SHA256 (key = the seed&apos;s 32 bytes, message = UTF-8 &quot;glimmerhall-draw|game|round|n|phrase&quot;), n from 0;
each block&apos;s 32 bytes are read 4 at a time as big-endian unsigned numbers x (8 a block); x ≥ 2^32 − 2^32 mod span is thrown back and the next one read, else the draw is low + x mod span.</translation>
    </message>
    <message>
        <source>摇的次数应是 1 到 1000</source>
        <translation>the throws are 1 to 1000</translation>
    </message>
    <message>
        <source>胜方应是 left 或 right</source>
        <translation>the winner is left or right</translation>
    </message>
    <message>
        <source>点数应写成 龙-虎，如 5-2</source>
        <translation>the faces are written dragon-tiger, e.g. 5-2</translation>
    </message>
    <message>
        <source>龙（玩家一）</source>
        <translation>left (dragon, player one)</translation>
    </message>
    <message>
        <source>虎（玩家二）</source>
        <translation>right (tiger, player two)</translation>
    </message>
    <message>
        <source>点数 </source>
        <translation>faces </translation>
    </message>
    <message>
        <source>（龙 </source>
        <translation> (dragon </translation>
    </message>
    <message>
        <source> 点，虎 </source>
        <translation>, tiger </translation>
    </message>
    <message>
        <source> 点）</source>
        <translation>)</translation>
    </message>
    <message>
        <source>胜方 </source>
        <translation>winner </translation>
    </message>
    <message>
        <source>胜方不符：算出来是 </source>
        <translation>the winner does not match: the draw gives </translation>
    </message>
    <message>
        <source>点数不符：算出来是 </source>
        <translation>the faces do not match: the draw gives </translation>
    </message>
    <message>
        <source>箱子数量应是 0 到 100000</source>
        <translation>the boxes are 0 to 100000</translation>
    </message>
    <message>
        <source>地雷数量要比箱子少</source>
        <translation>there are fewer mines than boxes</translation>
    </message>
    <message>
        <source>有雷的箱子写成 1,4 这样</source>
        <translation>the mine boxes are written like 1,4</translation>
    </message>
    <message>
        <source>有雷的箱子 </source>
        <translation>mine-boxes </translation>
    </message>
    <message>
        <source>没有</source>
        <translation>none</translation>
    </message>
    <message>
        <source>有雷的箱子不符：算出来是 </source>
        <translation>the mine boxes do not match: the draw gives </translation>
    </message>
    <message>
        <source>  口令 </source>
        <translation>  phrase </translation>
    </message>
    <message>
        <source>种子 </source>
        <translation>seed </translation>
    </message>
    <message>
        <source>承诺 </source>
        <translation>commitment </translation>
    </message>
    <message>
        <source>｜</source>
        <translation> | </translation>
    </message>
    <message>
        <source>第%1轮 </source>
        <translation>round %1 </translation>
    </message>
    <message>
        <source>第%1局 </source>
        <translation>turn %1 </translation>
    </message>
</context>
<context>
    <name>remote</name>
    <message>
        <source>程序缺少手机遥控的模块 glimmer_overlay</source>
        <translation>The program lacks the phone remote&apos;s module glimmer_overlay</translation>
    </message>
    <message>
        <source>没有可用的局域网地址（10.x、172.16–31.x、192.168.x），或端口 %1 被占用：手机遥控没有打开</source>
        <translation>No usable local network address (10.x, 172.16–31.x, 192.168.x), or port %1 is taken: the phone remote was not turned on</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Operate</translation>
    </message>
    <message>
        <source>只看</source>
        <translation>View only</translation>
    </message>
    <message>
        <source>未见过</source>
        <translation>Never seen</translation>
    </message>
    <message>
        <source>没有配对的设备</source>
        <translation>No paired devices</translation>
    </message>
    <message>
        <source>手机遥控已关闭</source>
        <translation>The phone remote is turned off</translation>
    </message>
    <message>
        <source>手机遥控开着：</source>
        <translation>The phone remote is on: </translation>
    </message>
    <message>
        <source>手机遥控关着</source>
        <translation>The phone remote is off</translation>
    </message>
    <message>
        <source>手机遥控关着：先用 glimmerhall ctl remote on 打开它</source>
        <translation>The phone remote is off: turn it on first with glimmerhall ctl remote on</translation>
    </message>
    <message>
        <source>二维码写不了：</source>
        <translation>The QR code cannot be written: </translation>
    </message>
    <message>
        <source>角色只能是 operate 或 view：</source>
        <translation>The role can only be operate or view: </translation>
    </message>
    <message>
        <source>没有这台设备：</source>
        <translation>No such device: </translation>
    </message>
    <message>
        <source>已移除</source>
        <translation>Removed</translation>
    </message>
    <message>
        <source>打开手机遥控（局域网）</source>
        <translation>Turn on the phone remote (local network)</translation>
    </message>
    <message>
        <source>新的配对码</source>
        <translation>New pairing code</translation>
    </message>
    <message>
        <source>全部移除</source>
        <translation>Remove all</translation>
    </message>
    <message>
        <source>手机遥控</source>
        <translation>Phone remote</translation>
    </message>
    <message>
        <source>名字</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>角色</source>
        <translation>Role</translation>
    </message>
    <message>
        <source>最后见到</source>
        <translation>Last seen</translation>
    </message>
    <message>
        <source>最近操作</source>
        <translation>Last action</translation>
    </message>
    <message>
        <source>手机遥控只在这台电脑的局域网地址上开着，没有加密（手机浏览器不接受自签名证书）：同一网络里的人能看到往来的内容，但没有配对的设备什么也改不了。配对码 5 分钟内只能用一次；每个请求都用设备自己的密钥签名。</source>
        <translation>The phone remote is open only on this computer&apos;s local network addresses, without encryption (phone browsers do not accept self-signed certificates): people on the same network can see what passes back and forth, but a device that is not paired cannot change anything. A pairing code can be used only once, within 5 minutes; every request carries a signature made with the device&apos;s own key.</translation>
    </message>
    <message>
        <source>手机遥控关着。打开后，场控用手机扫二维码配对，就能在手机上加分、摇色子、开箱子。</source>
        <translation>The phone remote is off. Once it is on, the room controller scans the QR code with a phone to pair it, and can then add points, roll dice and open boxes from the phone.</translation>
    </message>
    <message>
        <source>手机连同一个局域网后打开：
</source>
        <translation>With the phone on the same local network, open:
</translation>
    </message>
    <message>
        <source>扫码配对（5 分钟内有效，只能用一次）：
</source>
        <translation>Scan to pair (valid for 5 minutes, once only):
</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>地址不是这个遥控的</source>
        <translation>The address is not this remote&apos;s</translation>
    </message>
    <message>
        <source>不接受别的网页发来的请求</source>
        <translation>Requests sent from other web pages are not accepted</translation>
    </message>
    <message>
        <source>按得太快了，请稍等</source>
        <translation>Pressed too fast, please wait a moment</translation>
    </message>
    <message>
        <source>名字不能是空的</source>
        <translation>The name cannot be empty</translation>
    </message>
    <message>
        <source>没有这个请求</source>
        <translation>No such request</translation>
    </message>
    <message>
        <source>配对码不对，或已用过、已过期：请在主播的“手机遥控…”里重新扫码</source>
        <translation>The pairing code is wrong, already used or expired: scan the code again in the host&apos;s &quot;Phone remote…&quot;</translation>
    </message>
    <message>
        <source>手机 </source>
        <translation>Phone </translation>
    </message>
    <message>
        <source>这台设备没有配对，或已被主播移除</source>
        <translation>This device is not paired, or the host has removed it</translation>
    </message>
    <message>
        <source>手机的时间与电脑相差超过 30 秒：请校准手机时间</source>
        <translation>The phone&apos;s clock is more than 30 seconds off the computer&apos;s: please set the phone&apos;s time right</translation>
    </message>
    <message>
        <source>签名不对</source>
        <translation>Wrong signature</translation>
    </message>
    <message>
        <source>这个请求已经用过（重放）</source>
        <translation>This request was already used (replay)</translation>
    </message>
    <message>
        <source>这台设备只能看，不能操作</source>
        <translation>This device can only view, not operate</translation>
    </message>
    <message>
        <source>请求不是一个 JSON 对象</source>
        <translation>The request is not a JSON object</translation>
    </message>
    <message>
        <source>已完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>配对设备的文件读不了，已移到 %1；请重新配对</source>
        <translation>The paired devices&apos; file could not be read and was moved to %1; please pair again</translation>
    </message>
    <message>
        <source>配对设备的文件写不了：</source>
        <translation>The paired devices&apos; file cannot be written: </translation>
    </message>
    <message>
        <source>手机：</source>
        <translation>Phone: </translation>
    </message>
</context>
<context>
    <name>verify</name>
    <message>
        <source>
Checks a revealed draw of a game (%1) from what the overlay and the
&quot;公平验证&quot; box published, without the program running: recomputes the outcome from
the seed (64 hex digits) and the phrase (omit it or give &apos;&apos; when there was none),
prints it, and compares it with whatever of the commitment and the outcome is given.
A phrase that starts with a dash goes after &apos;--&apos;, at the end.

  --round N          the draw&apos;s round number
  --commitment HEX   the published SHA-256 of the seed
</source>
        <translation>
Checks a revealed draw of a game (%1) from what the overlay and the
&quot;公平验证&quot; box published, without the program running: recomputes the outcome from
the seed (64 hex digits) and the phrase (omit it or give &apos;&apos; when there was none),
prints it, and compares it with whatever of the commitment and the outcome is given.
A phrase that starts with a dash goes after &apos;--&apos;, at the end.

  --round N          the draw&apos;s round number
  --commitment HEX   the published SHA-256 of the seed
</translation>
    </message>
    <message>
        <source>verify needs a game: %1</source>
        <translation>verify needs a game: %1</translation>
    </message>
    <message>
        <source>unknown game &apos;%1&apos;: %2</source>
        <translation>unknown game &apos;%1&apos;: %2</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos; for %2 (a phrase that starts with a dash goes after &apos;--&apos;)</source>
        <translation>unknown option &apos;%1&apos; for %2 (a phrase that starts with a dash goes after &apos;--&apos;)</translation>
    </message>
    <message>
        <source>option &apos;--%1&apos; given twice</source>
        <translation>option &apos;--%1&apos; given twice</translation>
    </message>
    <message>
        <source>verify %1 needs the seed</source>
        <translation>verify %1 needs the seed</translation>
    </message>
    <message>
        <source>too many words: a phrase with blanks goes in quotes</source>
        <translation>too many words: a phrase with blanks goes in quotes</translation>
    </message>
    <message>
        <source>the seed must be 64 hex digits</source>
        <translation>the seed must be 64 hex digits</translation>
    </message>
    <message>
        <source>--%1 is needed</source>
        <translation>--%1 is needed</translation>
    </message>
    <message>
        <source>invalid round &apos;%1&apos;</source>
        <translation>invalid round &apos;%1&apos;</translation>
    </message>
    <message>
        <source>the commitment must be 64 hex digits</source>
        <translation>the commitment must be 64 hex digits</translation>
    </message>
    <message>
        <source>the commitment does not match the seed: SHA-256 of the seed is %1</source>
        <translation>the commitment does not match the seed: SHA-256 of the seed is %1</translation>
    </message>
    <message>
        <source>%1 round %2
seed       %3
phrase     %4
commitment %5%6</source>
        <translation>%1 round %2
seed       %3
phrase     %4
commitment %5%6</translation>
    </message>
    <message>
        <source> (matches)</source>
        <translation> (matches)</translation>
    </message>
    <message>
        <source> (differs)</source>
        <translation> (differs)</translation>
    </message>
    <message>
        <source>摇的次数</source>
        <translation>throws</translation>
    </message>
    <message>
        <source>the turn&apos;s number of throws (1 to %1); the last one decides</source>
        <translation>the turn&apos;s number of throws (1 to %1); the last one decides</translation>
    </message>
    <message>
        <source>胜方</source>
        <translation>Winner</translation>
    </message>
    <message>
        <source>left 或 right</source>
        <translation>left or right</translation>
    </message>
    <message>
        <source>left (dragon, player one) or right (tiger, player two)</source>
        <translation>left (dragon, player one) or right (tiger, player two)</translation>
    </message>
    <message>
        <source>点数</source>
        <translation>faces</translation>
    </message>
    <message>
        <source>龙-虎，如 5-2</source>
        <translation>dragon-tiger, e.g. 5-2</translation>
    </message>
    <message>
        <source>the last throw&apos;s dragon and tiger faces, e.g. 5-2</source>
        <translation>the last throw&apos;s dragon and tiger faces, e.g. 5-2</translation>
    </message>
    <message>
        <source>invalid throw count &apos;%1&apos;: a turn has 1 to %2 throws</source>
        <translation>invalid throw count &apos;%1&apos;: a turn has 1 to %2 throws</translation>
    </message>
    <message>
        <source>invalid winner &apos;%1&apos;: left or right</source>
        <translation>invalid winner &apos;%1&apos;: left or right</translation>
    </message>
    <message>
        <source>invalid faces &apos;%1&apos;: dragon-tiger, e.g. 5-2</source>
        <translation>invalid faces &apos;%1&apos;: dragon-tiger, e.g. 5-2</translation>
    </message>
    <message>
        <source>throws     %1</source>
        <translation>throws     %1</translation>
    </message>
    <message>
        <source>faces      %1 (dragon %2, tiger %3)</source>
        <translation>faces      %1 (dragon %2, tiger %3)</translation>
    </message>
    <message>
        <source>winner     </source>
        <translation>winner     </translation>
    </message>
    <message>
        <source>left (dragon, player one)</source>
        <translation>left (dragon, player one)</translation>
    </message>
    <message>
        <source>right (tiger, player two)</source>
        <translation>right (tiger, player two)</translation>
    </message>
    <message>
        <source>the winner does not match: the draw gives </source>
        <translation>the winner does not match: the draw gives </translation>
    </message>
    <message>
        <source>the faces do not match: the draw gives </source>
        <translation>the faces do not match: the draw gives </translation>
    </message>
    <message>
        <source>箱子数量</source>
        <translation>boxes</translation>
    </message>
    <message>
        <source>the burial&apos;s number of boxes</source>
        <translation>the burial&apos;s number of boxes</translation>
    </message>
    <message>
        <source>地雷数量</source>
        <translation>mines</translation>
    </message>
    <message>
        <source>the burial&apos;s number of mines</source>
        <translation>the burial&apos;s number of mines</translation>
    </message>
    <message>
        <source>有雷的箱子</source>
        <translation>mine boxes</translation>
    </message>
    <message>
        <source>如 1,4</source>
        <translation>e.g. 1,4</translation>
    </message>
    <message>
        <source>the boxes holding a mine, e.g. 1,4 (&apos;&apos; for none)</source>
        <translation>the boxes holding a mine, e.g. 1,4 (&apos;&apos; for none)</translation>
    </message>
    <message>
        <source>invalid box count &apos;%1&apos;</source>
        <translation>invalid box count &apos;%1&apos;</translation>
    </message>
    <message>
        <source>invalid mine count &apos;%1&apos;: a burial has fewer mines than boxes</source>
        <translation>invalid mine count &apos;%1&apos;: a burial has fewer mines than boxes</translation>
    </message>
    <message>
        <source>invalid box number &apos;%1&apos; in --mine-boxes</source>
        <translation>invalid box number &apos;%1&apos; in --mine-boxes</translation>
    </message>
    <message>
        <source>boxes      %1</source>
        <translation>boxes      %1</translation>
    </message>
    <message>
        <source>mines      %1</source>
        <translation>mines      %1</translation>
    </message>
    <message>
        <source>mine-boxes </source>
        <translation>mine-boxes </translation>
    </message>
    <message>
        <source>(none)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>the mine boxes do not match: the draw gives </source>
        <translation>the mine boxes do not match: the draw gives </translation>
    </message>
    <message>
        <source>Usage: glimmerhall verify GAME SEED [PHRASE] --round N ...  (glimmerhall verify --help)</source>
        <translation>Usage: glimmerhall verify GAME SEED [PHRASE] --round N ...  (glimmerhall verify --help)</translation>
    </message>
    <message>
        <source>Usage: </source>
        <translation>Usage: </translation>
    </message>
    <message>
        <source>
Block n of a draw&apos;s stream is HMAC-SHA256(key = the seed&apos;s 32 bytes, message =
UTF-8 &quot;glimmerhall-draw|&lt;game&gt;|&lt;round&gt;|&lt;n&gt;|&lt;phrase&gt;&quot;), n from 0. The blocks&apos;
bytes in turn are read as big-endian 32-bit words x, eight to a block; a draw in
[low, high] throws x back when x &gt;= 2^32 - 2^32 mod span, else gives
low + x mod span.

Exit status: 0 everything given checks; 1 the commitment or the outcome does not
match (the reason on standard error); 2 usage error.
</source>
        <translation>
Block n of a draw&apos;s stream is HMAC-SHA256(key = the seed&apos;s 32 bytes, message =
UTF-8 &quot;glimmerhall-draw|&lt;game&gt;|&lt;round&gt;|&lt;n&gt;|&lt;phrase&gt;&quot;), n from 0. The blocks&apos;
bytes in turn are read as big-endian 32-bit words x, eight to a block; a draw in
[low, high] throws x back when x &gt;= 2^32 - 2^32 mod span, else gives
low + x mod span.

Exit status: 0 everything given checks; 1 the commitment or the outcome does not
match (the reason on standard error); 2 usage error.
</translation>
    </message>
    <message>
        <source> or </source>
        <translation> or </translation>
    </message>
    <message>
        <source>checks: everything given matches</source>
        <translation>checks: everything given matches</translation>
    </message>
    <message>
        <source>recomputed; give --commitment and the outcome to compare them</source>
        <translation>recomputed; give --commitment and the outcome to compare them</translation>
    </message>
</context>
</TS>
