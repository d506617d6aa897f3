<?php
// A school's upload script, as Mirlo's hand-in meets it: the recording (or
// the test file, a piece or the piece list) in "userfile", the check number
// echoed on success, the reply words otherwise. Pieces of a split upload are
// kept; the piece list puts the recording back together from them.
// nginx hands in the expected login, password and the storage folder.
$store = $_SERVER['MIRLO_STORE'];
$login = $_SERVER['MIRLO_LOGIN'];
$password = $_SERVER['MIRLO_PASSWORD'];

function note($what) {
    global $store;
    $what['https'] = !empty($_SERVER['HTTPS']);
    file_put_contents("$store/../requests.log", json_encode($what) . "\n", FILE_APPEND | LOCK_EX);
}

function reply($text, $what) {
    header('Content-Type: text/html; charset=iso-8859-1');
    note($what + ['reply' => $text]);
    echo $text;
    exit;
}

$proof = $_POST['proofnumber'] ?? '';
$file = $_FILES['userfile'] ?? null;
$what = ['login' => $_POST['login'] ?? null, 'split' => isset($_POST['SplittedFile']),
         'file' => $file ? $file['name'] : null, 'size' => $file ? $file['size'] : null,
         'error' => $file ? $file['error'] : null];
if (file_exists("$store/../occupied"))
    reply('occupied', $what);
if (($_POST['login'] ?? '') !== $login || ($_POST['repertoire'] ?? '') !== $login . '_')
    reply('loginfalse', $what);
if (($_POST['password'] ?? '') !== $password)
    reply('passfalse', $what);
if (!$file || $file['error'] !== UPLOAD_ERR_OK)
    reply('nofile', $what);

$name = basename(str_replace('\\', '/', $file['name']));
$target = "$store/$name";
$what['sha256'] = hash_file('sha256', $file['tmp_name']);
if ($name === 'testx' || isset($_POST['SplittedFile'])) {
    move_uploaded_file($file['tmp_name'], $target);
} elseif (file_exists($target)) {
    reply('fileexists', $what);
} else {
    move_uploaded_file($file['tmp_name'], $target);
}

// The piece list: name, " N ", then the pieces in order. A recording is
// only written whole; like many school scripts, the reply does not say when
// pieces were missing.
if (isset($_POST['SplittedFile']) && preg_match('/^Frac_.*\.split$/', $name)) {
    $lines = explode("\r\n", rtrim(file_get_contents($target), "\r\n"));
    $count = count($lines) >= 2 ? intval(trim($lines[1])) : 0;
    $pieces = array_slice($lines, 2);
    $complete = $count > 0 && count($pieces) === $count;
    foreach ($pieces as $piece)
        $complete = $complete && is_file("$store/" . basename($piece));
    $what['reassembled'] = $complete;
    if ($complete) {
        $recording = "$store/" . basename(str_replace('\\', '/', $lines[0]));
        if (file_exists($recording))
            reply('fileexists', $what);
        $out = fopen($recording, 'wb');
        foreach ($pieces as $piece)
            fwrite($out, file_get_contents("$store/" . basename($piece)));
        fclose($out);
        $what['recording_sha256'] = hash_file('sha256', $recording);
    }
}
reply("OK $proof", $what);
