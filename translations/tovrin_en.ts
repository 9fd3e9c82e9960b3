<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_TW">
<context>
    <name>AboutWindow</name>
    <message>
        <source>更多說明與常見問題以及關於 Tovrin 請參閱官方首頁 </source>
        <translation>For more help, frequent questions and about Tovrin, see the home page </translation>
    </message>
    <message>
        <source>或讀取 Readme.txt 檔案來提供 Tovrin 支援</source>
        <translation>or read the Readme.txt file for Tovrin support</translation>
    </message>
    <message>
        <source>關於 (中文版 by Orvak)</source>
        <translation>About (by Orvak)</translation>
    </message>
    <message>
        <source>Multimedia 中文版</source>
        <translation>Multimedia</translation>
    </message>
    <message>
        <source>Tovrin 版本資訊與網域位置:-
</source>
        <translation>Tovrin version and web address:-
</translation>
    </message>
    <message>
        <source>Tovrin 程式版本:	1.7.5 Pentium 專業中文版</source>
        <translation>Tovrin program version:	1.7.5 Pentium Professional</translation>
    </message>
    <message>
        <source>Tovrin 撥放器版本:	1.1.0</source>
        <translation>Tovrin player version:	1.1.0</translation>
    </message>
    <message>
        <source>MMS 協定版本:	NSPlayer/7.0.0.1956</source>
        <translation>MMS protocol version:	NSPlayer/7.0.0.1956</translation>
    </message>
    <message>
        <source>釋放日期:	20.01.02</source>
        <translation>Release date:	20.01.02</translation>
    </message>
    <message>
        <source>程式作者	Tovrin 開發團隊</source>
        <translation>Written by	the Tovrin developers</translation>
    </message>
    <message>
        <source>網域位置:	</source>
        <translation>Web address:	</translation>
    </message>
    <message>
        <source>確定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
</context>
<context>
    <name>DesktopApp</name>
    <message>
        <source>UDP 埠號 %1 無法使用</source>
        <translation>UDP port %1 cannot be used</translation>
    </message>
    <message>
        <source>無法列印記錄</source>
        <translation>The log could not be printed</translation>
    </message>
</context>
<context>
    <name>FileChoosers</name>
    <message>
        <source>Windows 媒介檔案 (*.asf;*.wmv;*.wma;*.wm)</source>
        <translation>Windows media files (*.asf;*.wmv;*.wma;*.wm)</translation>
    </message>
    <message>
        <source>WM Redirector 檔案 (*.asx; *.wmx; *.wax; *.wvx)</source>
        <translation>WM redirector files (*.asx; *.wmx; *.wax; *.wvx)</translation>
    </message>
    <message>
        <source>Tovrin 記錄檔案 (*.log)</source>
        <translation>Tovrin log files (*.log)</translation>
    </message>
    <message>
        <source>所有檔案 (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
</context>
<context>
    <name>FilePropertiesWindow</name>
    <message>
        <source>檔案性質</source>
        <translation>File properties</translation>
    </message>
    <message>
        <source>確定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>精簡標題</source>
        <translation>Clip</translation>
    </message>
    <message>
        <source>詳細資料</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>編碼</source>
        <translation>Codecs</translation>
    </message>
    <message>
        <source>統計</source>
        <translation>Statistics</translation>
    </message>
    <message>
        <source>標題:</source>
        <translation>Title:</translation>
    </message>
    <message>
        <source>作者:</source>
        <translation>Author:</translation>
    </message>
    <message>
        <source>著作權:</source>
        <translation>Copyright:</translation>
    </message>
    <message>
        <source>分級:</source>
        <translation>Rating:</translation>
    </message>
    <message>
        <source>位置:</source>
        <translation>Location:</translation>
    </message>
    <message>
        <source>描述:</source>
        <translation>Description:</translation>
    </message>
    <message>
        <source>類型:</source>
        <translation>Type:</translation>
    </message>
    <message>
        <source>檔案大小:</source>
        <translation>File size:</translation>
    </message>
    <message>
        <source>長度:</source>
        <translation>Length:</translation>
    </message>
    <message>
        <source>視訊大小:</source>
        <translation>Video size:</translation>
    </message>
    <message>
        <source>建立日期:</source>
        <translation>Created:</translation>
    </message>
    <message>
        <source>寫入日期:</source>
        <translation>Written:</translation>
    </message>
    <message>
        <source>編碼器:</source>
        <translation>Encoder:</translation>
    </message>
    <message>
        <source>編碼:</source>
        <translation>Codecs:</translation>
    </message>
    <message>
        <source>位元率:</source>
        <translation>Bit rates:</translation>
    </message>
    <message>
        <source>已傳送時間:</source>
        <translation>Time sent:</translation>
    </message>
    <message>
        <source>剩餘時間:</source>
        <translation>Time left:</translation>
    </message>
    <message>
        <source>封包:</source>
        <translation>Packets:</translation>
    </message>
    <message>
        <source>串流數:</source>
        <translation>Streams:</translation>
    </message>
    <message>
        <source>最大位元率:</source>
        <translation>Maximum bit rate:</translation>
    </message>
    <message>
        <source>串流比率:</source>
        <translation>Stream rate:</translation>
    </message>
    <message>
        <source>回應次數:</source>
        <translation>Acknowledgements:</translation>
    </message>
    <message>
        <source>封包大小:</source>
        <translation>Packet size:</translation>
    </message>
    <message>
        <source>用戶端數:</source>
        <translation>Clients:</translation>
    </message>
</context>
<context>
    <name>LogPrinter</name>
    <message>
        <source>Tovrin 記錄列印</source>
        <translation>Tovrin log printout</translation>
    </message>
    <message>
        <source>設定印表機</source>
        <translation>Printer setup</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>時間格式 hh.mm.ss</source>
        <translation>Time as hh.mm.ss</translation>
    </message>
    <message>
        <source>Tovrin Multimedia 中文版 by Orvak</source>
        <translation>Tovrin Multimedia by Orvak</translation>
    </message>
    <message>
        <source> 詳細說明請拜訪: </source>
        <translation> For more help visit: </translation>
    </message>
    <message>
        <source>檔案(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>開啟(&amp;O)...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>儲存記錄(&amp;S)</source>
        <translation>&amp;Save log</translation>
    </message>
    <message>
        <source>列印記錄(&amp;P)</source>
        <translation>&amp;Print log</translation>
    </message>
    <message>
        <source>設定印表機(&amp;R)...</source>
        <translation>P&amp;rinter setup...</translation>
    </message>
    <message>
        <source>離開(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>設定(&amp;S)</source>
        <translation>&amp;Setup</translation>
    </message>
    <message>
        <source>檢視設定(&amp;V)</source>
        <translation>&amp;View settings</translation>
    </message>
    <message>
        <source>資訊(&amp;I)</source>
        <translation>&amp;Information</translation>
    </message>
    <message>
        <source>顯示檔案性質(&amp;S)</source>
        <translation>&amp;Show file properties</translation>
    </message>
    <message>
        <source>預覽(&amp;P)</source>
        <translation>&amp;Preview</translation>
    </message>
    <message>
        <source>開啟顯示(&amp;O)</source>
        <translation>&amp;Open monitor</translation>
    </message>
    <message>
        <source>關於 Tovrin monitor(&amp;A)</source>
        <translation>&amp;About Tovrin monitor</translation>
    </message>
    <message>
        <source>說明(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>關於(&amp;A)...</source>
        <translation>&amp;About...</translation>
    </message>
    <message>
        <source>更多說明(&amp;M)</source>
        <translation>&amp;More help</translation>
    </message>
    <message>
        <source>開啟(&amp;O)</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>執行(&amp;G)</source>
        <translation>&amp;Go</translation>
    </message>
    <message>
        <source>放棄(&amp;A)</source>
        <translation>&amp;Abort</translation>
    </message>
    <message>
        <source>離開(&amp;E)</source>
        <translation>&amp;Exit</translation>
    </message>
    <message>
        <source>已完成下載百分比</source>
        <translation>Percentage downloaded</translation>
    </message>
    <message>
        <source>連接資料記錄</source>
        <translation>Connection log</translation>
    </message>
    <message>
        <source>時間:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>剩餘:</source>
        <translation>Left:</translation>
    </message>
    <message>
        <source>使用備份</source>
        <translation>Standby</translation>
    </message>
    <message>
        <source>連線期間下載記錄</source>
        <translation>Recording a live session</translation>
    </message>
    <message>
        <source>預先下載連線期間的媒介</source>
        <translation>Downloading prerecorded media</translation>
    </message>
    <message>
        <source>開啟一般媒介</source>
        <translation>Opened media</translation>
    </message>
    <message>
        <source>儲存檔案目錄與檔案名稱</source>
        <translation>Save file folder and name</translation>
    </message>
    <message>
        <source>請使用「檔案」-&gt;「開啟」其他路徑，將「MMS://」網址拉下到這裡</source>
        <translation>Use File -&gt; Open for other locations; pick MMS:// addresses here</translation>
    </message>
    <message>
        <source>開啟:</source>
        <translation>Open:</translation>
    </message>
    <message>
        <source>儲存到:</source>
        <translation>Save to:</translation>
    </message>
    <message>
        <source>網址:</source>
        <translation>URL:</translation>
    </message>
</context>
<context>
    <name>OpenLocationWindow</name>
    <message>
        <source>開啟</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>開啟:</source>
        <translation>Open:</translation>
    </message>
    <message>
        <source>確定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>瀏覽...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>請為您想要存取的媒介名稱分配位址，無論是在網際網路上或在於您本地的電腦上。Tovrin 將會為您開啟這個檔案</source>
        <translation>Type the location of the media you want, on the Internet or on this computer, and Tovrin will open it for you</translation>
    </message>
</context>
<context>
    <name>PasswordDialog</name>
    <message>
        <source>輸入網路密碼</source>
        <translation>Enter network password</translation>
    </message>
    <message>
        <source>請測試您的使用者名稱與密碼來存取這個位置</source>
        <translation>Please type your user name and password to access this location</translation>
    </message>
    <message>
        <source>位置:</source>
        <translation>Site:</translation>
    </message>
    <message>
        <source>範圍:</source>
        <translation>Realm:</translation>
    </message>
    <message>
        <source>使用者名稱 ID</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>密碼</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>儲存密碼</source>
        <translation>Save password</translation>
    </message>
    <message>
        <source>確定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>取消(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>PreviewAboutWindow</name>
    <message>
        <source>關於預覽顯示</source>
        <translation>About the preview monitor</translation>
    </message>
    <message>
        <source>關於這個 Tovrin 預覽顯示</source>
        <translation>About this Tovrin preview monitor</translation>
    </message>
    <message>
        <source>確定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
</context>
<context>
    <name>PreviewMonitor</name>
    <message>
        <source>預覽顯示</source>
        <translation>Preview monitor</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>Volume</translation>
    </message>
</context>
<context>
    <name>ResumeDialog</name>
    <message>
        <source>續傳 / 重新下載 覆寫檔案</source>
        <translation>Resume / download again over the file</translation>
    </message>
    <message>
        <source>您所選擇要儲存的檔案包含串流媒體資料 !</source>
        <translation>The file you chose to save to holds streamed media !</translation>
    </message>
    <message>
        <source>取消(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>續傳檔案(&amp;R)</source>
        <translation>&amp;Resume file</translation>
    </message>
    <message>
        <source>重新下載(&amp;O)</source>
        <translation>D&amp;ownload again</translation>
    </message>
    <message>
        <source>警告 ! :
您所選擇要儲存的檔案包含串流媒體資料 !
要保護這個檔案，請現在按下「取消」

請注意，若您無法重新開始續傳檔案，
您必須選擇重新下載並覆寫所儲存的檔案</source>
        <translation>Warning ! :
The file you chose to save to holds streamed media !
To keep this file, press Cancel now

Note: if the file cannot be resumed,
you must download again and overwrite the saved file</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>設定 Tovrin</source>
        <translation>Tovrin setup</translation>
    </message>
    <message>
        <source>串流伺服器埠號。預設值 = 1755</source>
        <translation>The stream server port. Default = 1755</translation>
    </message>
    <message>
        <source>嘗試 UDP 協定</source>
        <translation>Try UDP</translation>
    </message>
    <message>
        <source>啟用 UDP</source>
        <translation>Use UDP</translation>
    </message>
    <message>
        <source>傾聽 UDP 埠號</source>
        <translation>The UDP port to listen on</translation>
    </message>
    <message>
        <source>重複 &apos;完成&apos; 時之音效</source>
        <translation>Repeat the &apos;done&apos; sound</translation>
    </message>
    <message>
        <source>使用 IP 位址模式，規避 DNS 網址訪查</source>
        <translation>IP address mode, bypass DNS lookup</translation>
    </message>
    <message>
        <source>輸入 123.456.789.999 而不是 hello.me.net</source>
        <translation>Type 123.456.789.999 instead of hello.me.net</translation>
    </message>
    <message>
        <source>自動提示記錄</source>
        <translation>Auto log prompt</translation>
    </message>
    <message>
        <source>總是提示儲存記錄</source>
        <translation>Always offer to save the log</translation>
    </message>
    <message>
        <source>埠號</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>TCP MMS 伺服器埠號:</source>
        <translation>TCP MMS server port:</translation>
    </message>
    <message>
        <source>預設值 = 1755</source>
        <translation>Default = 1755</translation>
    </message>
    <message>
        <source>重複音效</source>
        <translation>Repeat sound</translation>
    </message>
    <message>
        <source>每秒</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>預設值 = 關</source>
        <translation>Default = off</translation>
    </message>
    <message>
        <source>下載完成時自動提示儲存記錄</source>
        <translation>Offer to save the log when a download completes</translation>
    </message>
    <message>
        <source>測試音效(&amp;S)</source>
        <translation>Test &amp;sound</translation>
    </message>
    <message>
        <source>播放 &apos;完成&apos; 音效</source>
        <translation>Play the &apos;done&apos; sound</translation>
    </message>
    <message>
        <source>關於 UDP(&amp;A)</source>
        <translation>&amp;About UDP</translation>
    </message>
    <message>
        <source>讀取關於 UDP</source>
        <translation>Read about UDP</translation>
    </message>
    <message>
        <source>確定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
</context>
</TS>
